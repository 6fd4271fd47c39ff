# Tests of the main view, the call intake loop and REPORT processing.
qalor_add_test(NAME tst_view_cells SOURCES tst_view_cells.cpp LIBS qalor_appcore)
qalor_add_test(NAME tst_intake_loop SOURCES tst_intake_loop.cpp FakeCommControl.h CdrLines.h LIBS qalor_appcore DB)
qalor_add_test(NAME tst_view SOURCES tst_view.cpp FakeCommControl.h CdrLines.h LIBS qalor_appgui DB)
qalor_add_test(NAME tst_view_pty SOURCES tst_view_pty.cpp CdrLines.h LIBS qalor_appgui DB)
qalor_add_test(NAME tst_maintenance_intake SOURCES tst_maintenance_intake.cpp FakeCommControl.h CdrLines.h LIBS qalor_appgui DB)
