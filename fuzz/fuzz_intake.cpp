// Received bytes of any kind, in chunks of any size, through line assembly
// and the CDR parser: no crash, no sanitizer report, and the assembler's
// bookkeeping holds (no character lost, positions in order).

#include "intake/CdrLayout.h"
#include "intake/CdrParser.h"
#include "intake/ICodeFilter.h"
#include "intake/LineAssembler.h"
#include "prompt/Prompt.h"

#include <cstdint>
#include <cstdlib>

using namespace qalor;

namespace {

class QuietPrompt : public IPrompt
{
public:
    void inform(const QString&) override {}
    bool askOkCancel(const QString&, const QString&) override { return false; }
};

// Class of service 7 and trunk group 9 are not billable.
class Filter : public ICodeFilter
{
public:
    bool ensureCallerCosLoaded() override { return true; }
    bool ensureTrunkGroupsLoaded() override { return true; }
    bool callerCosBillable(int cos) const override { return cos != 7; }
    bool trunkGroupBillable(int group) const override { return group != 9; }
};

// The exchange's default output: 27 slots, ten of them printed, 73 characters a line.
CdrLayout& layout()
{
    static CdrLayout layout = [] {
        const int printed[27] = {4, 3, 2, 0, 0, 13, 6, 6, 0, 0, 4, 0, 0, 0, 3,
                                 0, 0, 0, 0, 0, 0, 2, 0, 0, 18, 0, 0};
        QList<CdrLayoutEntry> entries;
        for (int slot = 0; slot < 27; ++slot)
            entries.append({QStringLiteral("F%1").arg(slot), slot, qMax(printed[slot], 4), printed[slot] > 0});
        CdrLayout made;
        made.assign(entries);
        return made;
    }();
    return layout;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QuietPrompt quiet;
    Prompt::install(&quiet);
    if (size == 0)
        return 0;
    // The first byte chooses the chunk size; the rest is the stream.
    const int chunk = data[0] % 97 + 1;
    const QString stream = QString::fromLatin1(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    static Filter filter;
    LineAssembler assembler(layout().lineLength());
    qint64 position = 0;
    qsizetype out = 0;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        for (const LineAssembler::Piece& piece : assembler.take(stream.mid(at, chunk))) {
            check(piece.end - piece.text.size() >= position);
            position = piece.end;
            out += piece.text.size();
            if (!piece.line)
                continue;
            check(piece.text.size() >= layout().lineLength() - 1);
            QString record;
            CdrParser(layout(), filter).preproccdr(piece.text, record);
        }
    }
    check(out + assembler.buffer().size() <= stream.size());
    check(assembler.position() + assembler.buffer().size() == stream.size());
    return 0;
}
