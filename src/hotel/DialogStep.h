#pragma once

namespace qalor {

// What a hotel dialog does after one of its buttons did its work.
enum class DialogStep {
    Stay,       // keep the dialog as it is
    StayClear,  // clear the extension for the next entry and stay
    CloseOk,    // close; the change list goes to the exchange
    CloseCancel // close; nothing is sent
};

} // namespace qalor
