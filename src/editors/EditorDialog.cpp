#include "editors/EditorDialog.h"

#include "db/sets/CAlertRuleSet.h"
#include "editors/AlertRuleDelegate.h"
#include "editors/CsvExport.h"
#include "editors/CsvImport.h"
#include "editors/KeyDuplicates.h"
#include "editors/RateCheckDialog.h"
#include "editors/XlsxExport.h"
#include "prompt/Prompt.h"
#include "rating/AlertRuleCheck.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
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
    const QString filter = suggested.endsWith(QStringLiteral(".xlsx"))
                               ? QStringLiteral("Excel 工作簿 (*.xlsx);;所有文件 (*)")
                               : QStringLiteral("CSV 文件 (*.csv);;所有文件 (*)");
    if (save)
        return QFileDialog::getSaveFileName(parent, QStringLiteral("导出"), QDir::home().filePath(suggested),
                                            filter);
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
    if (def.offersExport()) {
        addButton(QStringLiteral("导出…"), [this] { exportCsv(); });
        addButton(QStringLiteral("导出Excel…"), [this] { exportXlsx(); });
    }
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
    if (def.extra == EditorDef::Extra::AlertRules)
        addAlertRuleControls();
    if (def.extra == EditorDef::Extra::CountTypeNote)
        addNote(QStringLiteral("为了计费软件正常工作,\n请不要修改此表数据"));

    // Rows that share the table's key (two prices for one 区号) are named
    // beside the grid, kept up to date as rows change.
    if (model().table() && !model().table()->key.isEmpty()) {
        m_duplicates = new QLabel(this);
        m_duplicates->setObjectName(QStringLiteral("KeyDuplicates"));
        m_duplicates->setAccessibleDescription(QStringLiteral("重复的记录"));
        m_duplicates->setWordWrap(true);
        m_duplicates->setStyleSheet(QStringLiteral("color: #b00000"));
        m_duplicates->setMaximumWidth(200);
        addSideWidget(m_duplicates);
        connect(&model(), &QAbstractItemModel::modelReset, this, &EditorDialog::showDuplicates);
        connect(&model(), &QAbstractItemModel::dataChanged, this, &EditorDialog::showDuplicates);
        connect(&model(), &QAbstractItemModel::rowsInserted, this, &EditorDialog::showDuplicates);
        connect(&model(), &QAbstractItemModel::rowsRemoved, this, &EditorDialog::showDuplicates);
        showDuplicates();
    }
}

void EditorDialog::addAlertRuleControls()
{
    using C = CAlertRuleSet;
    auto* cells = new AlertRuleDelegate(model(), &grid());
    const QList<int> columns = model().tableColumns();
    for (const int column :
         {C::Kind, C::Amount, C::Seconds, C::Prefix, C::From, C::To, C::Count, C::Minutes, C::Enabled}) {
        if (columns.contains(column))
            grid().setItemDelegateForColumn(int(columns.indexOf(column)), cells);
    }
    // A row the engine could not use is refused before it is written.
    model().setRowCheck([this](const QList<QVariant>& typed) {
        QList<QVariant> row(Tables::alertRule().columnCount());
        const QList<int> shown = model().tableColumns();
        for (qsizetype i = 0; i < shown.size(); ++i)
            row[shown.at(i)] = typed.value(i);
        return AlertRuleCheck::fault(row).text;
    });
    // Another kind greys out other columns of the row.
    connect(&model(), &QAbstractItemModel::dataChanged, grid().viewport(),
            [this] { grid().viewport()->update(); });
    if (columns.contains(C::Name))
        grid().resizeColumnToContents(int(columns.indexOf(C::Name)));
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
    model().setCollatedColumn(m_extensions.collatedColumn());
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
    const TableDef& table = *model().table();
    // Importing what was exported and edited must not double every row:
    // the person says whether the file replaces the table or adds to it.
    int held = 0;
    if (!runGuarded(QStringLiteral("Unknow Error Occured in Query-job!"),
                    [&] { held = CsvImport::tableRows(table, model().database()); }))
        return;
    CsvImport::Mode mode = CsvImport::Mode::Append;
    if (held > 0) {
        const int answer = Prompt::askChoice(CsvImport::replaceQuestion(held), QStringLiteral("导入"),
                                             CsvImport::replaceButtons());
        if (answer != 0 && answer != 1)
            return;
        mode = answer == 0 ? CsvImport::Mode::Replace : CsvImport::Mode::Append;
    }
    const CsvImport::Result result = CsvImport::run(table, file.readAll(), model().database(), mode);
    if (!result.ok()) {
        Prompt::inform(QStringLiteral("导入失败,没有添加任何记录.\n") + result.error);
        return;
    }
    model().refresh();
    showDuplicates();
    if (mode == CsvImport::Mode::Replace)
        Prompt::inform(
            QStringLiteral("已导入%1行记录,替换了原有的%2行.").arg(result.rows).arg(result.replaced));
    else
        Prompt::inform(QStringLiteral("已导入%1行记录.").arg(result.rows));
}

void EditorDialog::showDuplicates()
{
    if (!m_duplicates || !model().table())
        return;
    QString text;
    try {
        text = KeyDuplicates::tableText(*model().table(),
                                        KeyDuplicates::inTable(*model().table(), model().database()));
    } catch (const DbError&) {
        // The grid shows the table's own trouble; the note stays as it was.
        return;
    }
    m_duplicates->setText(text);
    m_duplicates->setVisible(!text.isEmpty());
}

void EditorDialog::exportXlsx()
{
    exportTo(QStringLiteral(".xlsx"), &XlsxExport::write);
}

void EditorDialog::exportCsv()
{
    exportTo(QStringLiteral(".csv"), &CsvExport::write);
}

void EditorDialog::exportTo(const QString& suffix, QString (*write)(const GridModel&, const QString&))
{
    if (!model().table())
        return;
    const QString fileName = chooseFile(this, true, model().table()->name + suffix);
    if (fileName.isEmpty())
        return;
    const QString failure = write(model(), fileName);
    if (!failure.isEmpty())
        Prompt::inform(QStringLiteral("导出失败: ") + failure);
    else
        Prompt::inform(Prompt::exportedText(fileName));
}

} // namespace qalor
