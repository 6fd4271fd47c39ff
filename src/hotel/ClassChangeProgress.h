#pragma once

#include <QProgressDialog>
#include <QTimer>

namespace qalor {

class ClassChangeSender;

// Shows which extension a running class change is sending, and why when
// nobody asked for it, while the rest of the program goes on. The bar follows
// the paced time of the writes sent (a modem change is one dial string and a
// long wait), with the seconds left; it comes and goes with the changes.
class ClassChangeProgress : public QProgressDialog
{
    Q_OBJECT
public:
    ClassChangeProgress(ClassChangeSender& sender, QWidget* parent = nullptr);

private:
    void refresh();

    ClassChangeSender& m_sender;
    QTimer m_tick;
    QString m_extension;
};

} // namespace qalor
