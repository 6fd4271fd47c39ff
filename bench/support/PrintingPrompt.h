#pragma once

#include "prompt/Prompt.h"

#include <cstdio>

namespace qalor::bench {

// Shows the system's messages on standard output and answers questions OK.
class PrintingPrompt : public IPrompt
{
public:
    void inform(const QString& text) override { std::printf("message: %s\n", qPrintable(text)); }
    bool askOkCancel(const QString& text, const QString&) override
    {
        inform(text);
        return true;
    }
};

} // namespace qalor::bench
