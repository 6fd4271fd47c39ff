#include "app/CdrFieldDialog.h"

#include "station/AppState.h"

namespace qalor {

CdrFieldDialog::CdrFieldDialog(QWidget* parent)
    : GridDialog(QStringLiteral("CDR字段设置"),
                 QStringLiteral("SELECT * FROM CDR字段定义表 ORDER BY 输出序号"), parent)
{
    setObjectName(QStringLiteral("CdrFieldDialog"));
    // The fields are the PBX's: rows are changed, never added or deleted. A
    // login that lapsed while the dialog was open no longer unlocks them.
    addButton(QStringLiteral("修改"), [this] {
        if (AppState::instance().loggedIn)
            model().setAllowUpdate(true);
    });
    addCloseButton(QStringLiteral("确认"), QDialog::Accepted);
    addCloseButton(QStringLiteral("返回"), QDialog::Rejected);
}

} // namespace qalor
