# Application shell: login, rights, start-up, shutdown and the port dialog.
qalor_add_test(NAME tst_shell_session DB SOURCES tst_shell_session.cpp tst_shell_support.h LIBS qalor_appcore)
qalor_add_test(NAME tst_shell_frame DB SOURCES tst_shell_frame.cpp tst_shell_support.h FakeCommControl.h LIBS qalor_appgui)
qalor_add_test(NAME tst_shell_access DB SOURCES tst_shell_access.cpp FakeCommControl.h LIBS qalor_appgui)
qalor_add_test(NAME tst_qt_chinese SOURCES tst_qt_chinese.cpp LIBS qalor_appgui)
