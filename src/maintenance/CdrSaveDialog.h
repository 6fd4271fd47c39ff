#pragma once

// CdrSaveDialog: switches the saving of every received CDR line on or off.
// Whichever button closes it, the shown value is written to CDRSave and is the
// value the caller applies:
//
//   view.setSaveRaw(CdrSaveDialog::run(parent));

#include <QDialog>

class QCheckBox;

namespace qalor {

class CdrSaveDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CdrSaveDialog(QWidget* parent = nullptr);

    bool saveCdr() const;
    void done(int result) override;

    // Shows the dialog and returns the value it closed with.
    static bool run(QWidget* parent = nullptr);

private:
    QCheckBox* m_save;
};

} // namespace qalor
