#include "hotel/CHotalOptionsDlg.h"

#include "prompt/Prompt.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qalor {

namespace {
// Edit labels in the order the form lists them.
const QString UserName = QStringLiteral("登陆交换机的用户名:");
const QString Password = QStringLiteral("登陆交换机的口令:");
const QString Database = QStringLiteral("交换机使用的数据库:");
const QString International = QStringLiteral("国际长途对应分机级别:");
const QString Domestic = QStringLiteral("国内长途对应分机级别:");
const QString Local = QStringLiteral("市话对应分机级别:");
const QString Lowest = QStringLiteral("最  底  分 机  级   别:");
const QString Port = QStringLiteral("调制解调器串口号：");
const QString InternationalCode = QStringLiteral("国际长途升级代码:");
const QString DomesticCode = QStringLiteral("国内长途升级代码:");
const QString LocalCode = QStringLiteral("市 话  升 级 代  码:");
const QString DefaultCode = QStringLiteral("默认级别升级代码:");
} // namespace

CHotalOptionsDlg::CHotalOptionsDlg(QWidget* parent)
    : QDialog(parent), m_dca(new QRadioButton(QStringLiteral("通过计费DCA"), this)),
      m_modem(new QRadioButton(QStringLiteral("通过调制解调器"), this)),
      m_auto(new QCheckBox(QStringLiteral("自动对分机升降级"), this))
{
    setWindowTitle(QStringLiteral("宾馆功能选项设置"));
    setObjectName(QStringLiteral("CHotalOptionsDlg"));

    auto* routeBox = new QGroupBox(QStringLiteral("更改分机级别途径："), this);
    auto* routeRow = new QHBoxLayout(routeBox);
    auto* routes = new QButtonGroup(this);
    routes->setExclusive(false); // no button is chosen before a row exists
    for (QRadioButton* button : {m_dca, m_modem}) {
        routes->addButton(button);
        routeRow->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this, button](bool on) {
            if (on)
                (button == m_dca ? m_modem : m_dca)->setChecked(false);
        });
    }

    auto* dcaBox = new QGroupBox(QStringLiteral("使用计费DCA应设选项："), this);
    auto* dcaForm = new QFormLayout(dcaBox);
    for (const QString& label : {UserName, Password, Database, International, Domestic, Local, Lowest})
        addEdit(dcaForm, label);
    edit(Password)->setEchoMode(QLineEdit::Password);

    auto* modemBox = new QGroupBox(QStringLiteral("使用计费调制解调器应设选项："), this);
    auto* modemForm = new QFormLayout(modemBox);
    for (const QString& label : {Port, InternationalCode, DomesticCode, LocalCode, DefaultCode})
        addEdit(modemForm, label);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确     认"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("放弃并退出"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CHotalOptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(routeBox);
    layout->addWidget(m_auto);
    auto* groups = new QHBoxLayout;
    groups->addWidget(dcaBox);
    groups->addWidget(modemBox);
    layout->addLayout(groups);
    layout->addWidget(buttons);

    // Opening shows the stored row; errors leave the controls empty.
    HotelSettings stored;
    bool found = false;
    {
        Prompt::Silence quiet;
        found = HotelSettings::load(stored);
    }
    if (found)
        setForm(HotelSettingsForm::from(stored));
}

QLineEdit* CHotalOptionsDlg::addEdit(QFormLayout* form, const QString& label)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(label);
    form->addRow(label, edit);
    m_edits.append(edit);
    return edit;
}

QLineEdit* CHotalOptionsDlg::edit(const QString& label) const
{
    for (QLineEdit* edit : m_edits) {
        if (edit->objectName() == label)
            return edit;
    }
    return nullptr;
}

HotelSettingsForm CHotalOptionsDlg::form() const
{
    HotelSettingsForm f;
    f.route = m_modem->isChecked() ? 1 : m_dca->isChecked() ? 0 : -1;
    f.autoChange = m_auto->isChecked();
    f.userName = edit(UserName)->text();
    f.password = edit(Password)->text();
    f.database = edit(Database)->text();
    f.internationalClass = edit(International)->text();
    f.domesticClass = edit(Domestic)->text();
    f.localClass = edit(Local)->text();
    f.lowestClass = edit(Lowest)->text();
    f.modemPort = edit(Port)->text();
    f.internationalCode = edit(InternationalCode)->text();
    f.domesticCode = edit(DomesticCode)->text();
    f.localCode = edit(LocalCode)->text();
    f.defaultCode = edit(DefaultCode)->text();
    return f;
}

void CHotalOptionsDlg::setForm(const HotelSettingsForm& f)
{
    m_modem->setChecked(f.route == 1);
    m_dca->setChecked(f.route == 0);
    m_auto->setChecked(f.autoChange);
    edit(UserName)->setText(f.userName);
    edit(Password)->setText(f.password);
    edit(Database)->setText(f.database);
    edit(International)->setText(f.internationalClass);
    edit(Domestic)->setText(f.domesticClass);
    edit(Local)->setText(f.localClass);
    edit(Lowest)->setText(f.lowestClass);
    edit(Port)->setText(f.modemPort);
    edit(InternationalCode)->setText(f.internationalCode);
    edit(DomesticCode)->setText(f.domesticCode);
    edit(LocalCode)->setText(f.localCode);
    edit(DefaultCode)->setText(f.defaultCode);
}

void CHotalOptionsDlg::accept()
{
    HotelSettings settings;
    QString refusal;
    if (!form().parse(settings, refusal)) {
        Prompt::inform(refusal);
        return;
    }
    // A failed write has been shown; the dialog still closes with OK and the
    // settings are read back from the table, which says what really holds.
    HotelSettings::save(settings);
    QDialog::accept();
}

} // namespace qalor
