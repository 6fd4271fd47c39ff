// Qt's own dialogs speak Chinese once the workstation has started up: the
// standard buttons of every message box and the print and file dialogs.

#include "app/QtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

class TestQtChinese : public QObject
{
    Q_OBJECT
private slots:
    void standardButtons()
    {
        QVERIFY(qalor::installQtChinese(*QCoreApplication::instance()));
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
        QCOMPARE(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("打印"));
        QCOMPARE(QCoreApplication::translate("QPrintPreviewDialog", "Print Preview"), QStringLiteral("打印预览"));
    }
};

QTEST_MAIN(TestQtChinese)
#include "tst_qt_chinese.moc"
