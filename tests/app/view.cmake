# Tests of the main view, the call intake loop and REPORT processing.
qalor_add_test(NAME tst_view_cells SOURCES tst_view_cells.cpp LIBS qalor_appcore)
qalor_add_test(NAME tst_intake_loop SOURCES tst_intake_loop.cpp FakeCommControl.h CdrLines.h LIBS qalor_appcore DB)
qalor_add_test(NAME tst_view SOURCES tst_view.cpp FakeCommControl.h CdrLines.h LIBS qalor_appgui DB)
qalor_add_test(NAME tst_view_pty SOURCES tst_view_pty.cpp CdrLines.h LIBS qalor_appgui DB)
qalor_add_test(NAME tst_intake_kill SOURCES tst_intake_kill.cpp CdrLines.h LIBS qalor_appcore DB)
target_compile_definitions(tst_intake_kill PRIVATE QALOR_BINARY="$<TARGET_FILE:qalor>")
add_dependencies(tst_intake_kill qalor)
