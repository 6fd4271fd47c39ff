# Tests of the main view, the call intake loop and REPORT processing.
qalor_add_test(NAME tst_intake_loop SOURCES tst_intake_loop.cpp FakeCommControl.h IntakeRig.h CdrLines.h LIBS qalor_appcore DB)
qalor_add_test(NAME tst_view SOURCES tst_view.cpp FakeCommControl.h CdrLines.h LIBS qalor_appgui DB)
qalor_add_test(NAME tst_view_pty SOURCES tst_view_pty.cpp CdrLines.h Sandbox.h LIBS qalor_appgui DB)
qalor_add_test(NAME tst_view_tcp SOURCES tst_view_tcp.cpp CdrLines.h LIBS qalor_appgui DB)
qalor_add_test(NAME tst_maintenance_intake SOURCES tst_maintenance_intake.cpp FakeCommControl.h CdrLines.h LIBS qalor_appgui DB)
qalor_add_test(NAME tst_intake_kill SOURCES tst_intake_kill.cpp CdrLines.h LIBS qalor_appcore DB)
target_compile_definitions(tst_intake_kill PRIVATE QALOR_BINARY="$<TARGET_FILE:qalor>")
add_dependencies(tst_intake_kill qalor)
# Two workstation processes on one PostgreSQL database (skipped on SQLite).
qalor_add_test(NAME tst_two_workstations SOURCES tst_two_workstations.cpp Sandbox.h LIBS qalor_appgui qalor_pbxsim_core DB)
add_dependencies(tst_two_workstations qalor qalor-pbxsim)
target_compile_definitions(tst_two_workstations PRIVATE QALOR_BINARY="$<TARGET_FILE:qalor>"
                                                        QALOR_PBXSIM="$<TARGET_FILE:qalor-pbxsim>")
# ctest lists the SQLite pass as skipped, with the reason in the output.
set_tests_properties(tst_two_workstations PROPERTIES TIMEOUT 180
                     SKIP_REGULAR_EXPRESSION "SKIP   : TestTwoWorkstations::initTestCase")
# The workstation, the schema tool and the reports started without any locale
# variable (env -i) and with umask 022.
qalor_add_test(NAME tst_any_locale SOURCES tst_any_locale.cpp CdrLines.h LIBS qalor_appcore DB)
add_dependencies(tst_any_locale qalor qalor-initdb qalor-report)
target_compile_definitions(tst_any_locale PRIVATE QALOR_BINARY="$<TARGET_FILE:qalor>"
                                                  QALOR_INITDB="$<TARGET_FILE:qalor-initdb>"
                                                  QALOR_REPORT="$<TARGET_FILE:qalor-report>")

# Calls arriving while a small filesystem is full (mounts a tmpfs: skipped unless run as root).
qalor_add_test(NAME tst_intake_fulldisk SOURCES tst_intake_fulldisk.cpp IntakeRig.h FakeCommControl.h CdrLines.h LIBS qalor_appcore DB)

# Alerts of live calls and REPORT batches, and their acknowledgement.
qalor_add_test(NAME tst_alert_intake SOURCES tst_alert_intake.cpp FakeCommControl.h IntakeRig.h CdrLines.h RefusedCaller.h LIBS qalor_appcore DB)
