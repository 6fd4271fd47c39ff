#include "db/ProgramStart.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <clocale>
#include <langinfo.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qalor {

bool ProgramStart::isUtf8(const char* codeset)
{
    return codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
}

const char* ProgramStart::useUtf8Characters()
{
    if (isUtf8(nl_langinfo(CODESET)))
        return nl_langinfo(CODESET);
    // zh_CN.GB18030 becomes zh_CN.UTF-8 where that exists; C and POSIX
    // become C.UTF-8, which every Debian system has.
    QByteArray language = setlocale(LC_CTYPE, nullptr);
    if (const qsizetype cut = language.indexOf('.'); cut >= 0)
        language.truncate(cut);
    if (const qsizetype cut = language.indexOf('@'); cut >= 0)
        language.truncate(cut);
    QList<QByteArray> candidates;
    if (!language.isEmpty() && language != "C" && language != "POSIX")
        candidates << language + ".UTF-8" << language + ".utf8";
    candidates << "C.UTF-8"
               << "C.utf8"
               << "en_US.UTF-8";
    for (const QByteArray& candidate : std::as_const(candidates)) {
        if (setlocale(LC_CTYPE, candidate.constData()) && isUtf8(nl_langinfo(CODESET)))
            break;
    }
    return nl_langinfo(CODESET);
}

void ProgramStart::provideRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    QByteArray temp = qgetenv("TMPDIR");
    if (temp.isEmpty())
        temp = "/tmp";
    const QByteArray folder = temp + "/runtime-qalor-" + QByteArray::number(getuid());
    ::mkdir(folder.constData(), 0700);
    // Only a folder of this user's alone: one someone else made is left to Qt.
    struct stat info = {};
    if (::lstat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
        (info.st_mode & 0777) == 0700)
        qputenv("XDG_RUNTIME_DIR", folder);
}

void ProgramStart::prepareProcess()
{
    umask(077);
    useUtf8Characters();
}

} // namespace qalor
