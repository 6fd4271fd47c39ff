# Application shell: login, rights, start-up, shutdown and the port dialog.
qalor_add_test(NAME tst_shell_session DB SOURCES tst_shell_session.cpp LIBS qalor_appcore)
