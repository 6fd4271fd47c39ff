#pragma once

#include "db/DbError.h"

#include <QString>
#include <QStringList>
#include <new>

namespace qalor {

// The one door for every message and question the system shows. The
// workstation installs a message-box prompt; tests install a recording one
// that keeps the texts and answers from a script.
class IPrompt
{
public:
    virtual ~IPrompt() = default;
    virtual void inform(const QString& text) = 0;
    // true for OK, false for Cancel. The caption titles the question's
    // window; empty for the program's own title.
    virtual bool askOkCancel(const QString& text, const QString& caption) = 0;
    // A question with buttons of its own (the last one cancels); returns the
    // index of the button chosen. A prompt nobody answers (a program without
    // a window) chooses the last: nothing is done.
    virtual int askChoice(const QString& text, const QString& /*caption*/, const QStringList& buttons)
    {
        inform(text);
        return int(buttons.size()) - 1;
    }
};

namespace Prompt {
void install(IPrompt* prompt); // nullptr restores the default (standard error, Cancel)
IPrompt& current();
void inform(const QString& text);
bool askOkCancel(const QString& text, const QString& caption = QString());
int askChoice(const QString& text, const QString& caption, const QStringList& buttons);
QString outOfMemoryText();
// Said when an export has written its file, naming it.
QString exportedText(const QString& fileName);

// Sends every message and question to the given prompt while it lives.
class Redirect
{
public:
    explicit Redirect(IPrompt& to);
    ~Redirect();
    Redirect(const Redirect&) = delete;
    Redirect& operator=(const Redirect&) = delete;
    // The prompt installed before (nullptr: the default one).
    IPrompt* previous() const { return m_previous; }

private:
    IPrompt* m_previous;
};

// Keeps every message back while it lives (questions are answered Cancel):
// for quiet retries whose failure has been reported once already.
class Silence
{
public:
    Silence();
    ~Silence();
    Silence(const Silence&) = delete;
    Silence& operator=(const Silence&) = delete;

private:
    IPrompt* m_previous;
};
} // namespace Prompt

// Runs one operation the way every database operation of the system runs: a
// database error shows the driver's text, a memory error the standard
// out-of-memory text, anything else the operation's own fixed text. Returns
// whether the operation completed.
template <class Operation> bool runGuarded(const QString& unknownErrorText, Operation&& operation)
{
    try {
        operation();
        return true;
    } catch (const DbError& error) {
        Prompt::inform(error.message());
    } catch (const std::bad_alloc&) {
        Prompt::inform(Prompt::outOfMemoryText());
    } catch (...) {
        Prompt::inform(unknownErrorText);
    }
    return false;
}

} // namespace qalor
