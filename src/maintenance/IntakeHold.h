#pragma once

// IntakeHold: call-table maintenance holds this workstation's call intake
// while its statements run. The exchange's lines that arrive meanwhile are
// kept (journalled) and priced once the hold ends, so no call is written to
// 话费表 between the statements of one operation. The main frame installs
// the hold of its view; without one, nothing is held.
//
//   IntakeHold::Scope held; // holds the installed intake until it goes

namespace qalor {

class IntakeHold
{
public:
    virtual ~IntakeHold() = default;
    virtual void hold() = 0;
    virtual void release() = 0;

    static void install(IntakeHold* hold);
    static IntakeHold* installed();

    class Scope
    {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        IntakeHold* m_hold;
    };
};

} // namespace qalor
