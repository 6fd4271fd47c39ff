#include "editors/EditorDialog.h"

#include "editors/CsvExport.h"
#include "editors/CsvImport.h"
#include "editors/RateCheckDialog.h"
#include "prompt/Prompt.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

namespace qalor {

namespace {

EditorDialog::FileChooser& installedChooser()
{
    static EditorDialog::FileChooser chooser;
    return chooser;
}

QString chooseFile(QWidget* parent, bool save, const QString& suggested)
{
    if (installedChooser())
        return installedChooser()(parent, save, suggested);
    const QString filter = QStringLiteral("CSV 文件 (*.csv);;所有文件 (*)");
    if (save)
        return QFileDialog::getSaveFileName(parent, QStringLiteral("导出"),
                                            QDir::home().filePath(suggested), filter);
    return QFileDialog::getOpenFileName(parent, QStringLiteral("导入"), QDir::homePath(), filter);
}

} // namespace

void EditorDialog::installFileChooser(FileChooser chooser)
{
    installedChooser() = std::move(chooser);
}

EditorDialog::EditorDialog(const EditorDef& def, Hooks hooks, QWidget* parent)
    : GridDialog(def.dialogCaption, def.recordSource, parent), m_def(def), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("EditorDialog%1").arg(def.command));
    if (def.dialogCaption.isEmpty())
        grid().setAccessibleName(def.menuCaption);

    if (!def.modifyCaption.isEmpty()) {
        addButton(def.modifyCaption, [this] {
            const QString refusal = EditorTable::applyModify(m_def.mode, model(), m_hooks.loggedIn());
            if (!refusal.isEmpty())
                Prompt::inform(refusal);
        });
    }
    if (def.offersImport())
        addButton(QStringLiteral("导入…"), [this] { importCsv(); });
    if (def.offersExport())
        addButton(QStringLiteral("导出…"), [this] { exportCsv(); });
    if (def.extra == EditorDef::Extra::RateCheck) {
        addButton(QStringLiteral("检查费率表"), [this] {
            RateCheckDialog check(this);
            m_hooks.runDialog(check);
        });
    }
    if (!def.confirmCaption.isEmpty())
        addCloseButton(def.confirmCaption, QDialog::Accepted);
    addCloseButton(def.backCaption, QDialog::Rejected);

    if (def.extra == EditorDef::Extra::ExtensionFilter)
        addExtensionControls();
    if (def.extra == EditorDef::Extra::CountTypeNote)
        addNote(QStringLiteral("为了计费软件正常工作,\n请不要修改此表数据"));
}

void EditorDialog::addExtensionControls()
{
    auto* list = new QTreeWidget(this);
    list->setAccessibleName(QStringLiteral("部门"));
    list->setHeaderLabels({QStringLiteral("部门编号"), QStringLiteral("部门名称")});
    list->setRootIsDecorated(false);
    list->setMinimumWidth(200);
    for (const ExtensionSource::Department& department : ExtensionSource::departments()) {
        // The entry's text is "<number>     <name>": one column each.
        const QString name = department.text.mid(department.text.indexOf(QLatin1Char(' '))).trimmed();
        auto* item = new QTreeWidgetItem(list, {QString::number(department.number), name});
        item->setData(0, Qt::UserRole, department.number);
        item->setData(0, Qt::AccessibleTextRole, department.text);
    }
    connect(list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            showDepartment(item->data(0, Qt::UserRole).toInt());
    });
    addSideWidget(list);
    const std::pair<const char*, ExtensionSource::Order> sorts[] = {
        {"按电话号码排序", ExtensionSource::Order::ByPhone},
        {"按用户名排序", ExtensionSource::Order::ByName},
        {"按部门编号排序", ExtensionSource::Order::ByDepartment},
    };
    for (const auto& [caption, order] : sorts) {
        auto* button = new QPushButton(QString::fromUtf8(caption), this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, order] { sortExtensions(order); });
        addSideWidget(button);
    }
}

void EditorDialog::showDepartment(int number)
{
    m_extensions.selectDepartment(number);
    model().setRecordSource(m_extensions.recordSource());
    model().refresh();
}

void EditorDialog::sortExtensions(ExtensionSource::Order order)
{
    m_extensions.setOrder(order);
    model().setRecordSource(m_extensions.recordSource());
    model().refresh();
}

void EditorDialog::importCsv()
{
    if (!model().table())
        return;
    if (!m_hooks.loggedIn() || !model().allowAddNew()) {
        Prompt::inform(QStringLiteral("请先按“修改”允许添加记录,然后再导入."));
        return;
    }
    if (!model().writeRow())
        return;
    const QString fileName = chooseFile(this, false, QString());
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Prompt::inform(QStringLiteral("无法打开文件 %1: %2").arg(fileName, file.errorString()));
        return;
    }
    const CsvImport::Result result = CsvImport::run(*model().table(), file.readAll(), model().database());
    if (!result.ok()) {
        Prompt::inform(QStringLiteral("导入失败,没有添加任何记录.\n") + result.error);
        return;
    }
    model().refresh();
    Prompt::inform(QStringLiteral("已导入%1行记录.").arg(result.rows));
}

void EditorDialog::exportCsv()
{
    if (!model().table())
        return;
    const QString fileName = chooseFile(this, true, model().table()->name + QStringLiteral(".csv"));
    if (fileName.isEmpty())
        return;
    const QString failure = CsvExport::write(model(), fileName);
    if (!failure.isEmpty())
        Prompt::inform(QStringLiteral("导出失败: ") + failure);
}

} // namespace qalor
