#pragma once

#include "gui/GridDialog.h"

namespace qalor {

// Dialog 158 "CDR字段设置": the CDR output fields in output order. "修改"
// lets a logged-in administrator change the existing rows; "确认" closes
// with OK, after which the caller reloads the layout.
class CdrFieldDialog : public GridDialog
{
    Q_OBJECT
public:
    explicit CdrFieldDialog(QWidget* parent = nullptr);
};

} // namespace qalor
