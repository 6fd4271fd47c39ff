#include "app/FormDialogLayout.h"

#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qalor {

void layOutFormDialog(QDialog* dialog, QFormLayout* form, const QString& acceptText,
                      const QString& rejectText)
{
    auto* accept = new QPushButton(acceptText, dialog);
    auto* reject = new QPushButton(rejectText, dialog);
    accept->setDefault(true);
    QObject::connect(accept, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(reject, &QPushButton::clicked, dialog, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(accept);
    buttons->addWidget(reject);

    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

} // namespace qalor
