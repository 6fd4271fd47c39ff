#pragma once

class QCoreApplication;

namespace qalor {

// Qt's own dialogs and standard buttons (print setup, print preview, file
// dialogs, the OK and Cancel of every message box) in Simplified Chinese, as
// a Chinese desktop shows them. Returns false when Qt's zh_CN catalogue is
// not installed (the dialogs then stay in English).
bool installQtChinese(QCoreApplication& application);

} // namespace qalor
