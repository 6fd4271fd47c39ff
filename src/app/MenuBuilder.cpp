#include "app/MenuBuilder.h"

#include "app/CommandGate.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace qalor {

namespace {
MenuBuilder::Item entry(const char* caption, int command, const char* statusTip = "")
{
    return {QString::fromUtf8(caption), command, QString::fromUtf8(statusTip)};
}
MenuBuilder::Item separator()
{
    return {};
}
} // namespace

QList<MenuBuilder::Menu> MenuBuilder::tree()
{
    using namespace Cmd;
    return {
        {QStringLiteral("文件"), {entry("退出(&X)", Exit, "退出计费软件")}},
        {QStringLiteral("管理员"),
         {entry("登录", Login, "以管理员身份登录"), entry("管理员退出", Logout, "管理员退出登录"),
          separator(), entry("密码管理", PasswordAdmin, "更改管理员口令表")}},
        {QStringLiteral("话费表"),
         {entry("按日期查询", QueryByDate), entry("按被叫号查询", QueryByCallee), separator(),
          entry("备份/删除数据", BackupDelete), entry("删除重复记录", RemoveDuplicates),
          entry("是否保存CDR记录", SaveCdr), separator(),
          entry("告警记录", AlertList, "查看和确认未确认的告警"),
          entry("告警规则设置", AlertRules, "设置哪些通话需要告警")}},
        {QStringLiteral("报表"),
         {entry("月报表", MonthReport), entry("年报表", NoCommand), entry("出缴费通知", PayNotice)}},
        {QStringLiteral("宾馆功能"),
         {entry("入住登记", CheckIn), entry("退房结算", CheckOut), entry("出帐单", HotelBill),
          entry("查看宾馆登记情况", HotelRegister), separator(), entry("更改分机级别", StationClass),
          entry("分机级别更改记录", StationChangeLog), entry("更MODEM改拨号表", DialCode), separator(),
          entry("宾馆管理设置", HotelOptions, "设置对分机升降级的方式")}},
        {QStringLiteral("费率设置"),
         {entry("基本费率设置", BaseRate), entry("3+1费率表设置", Rate31),
          entry("折扣类型设置", DiscountType), separator(), entry("分时段折扣设置", TimeDiscount),
          entry("节假日折扣设置", HolidayDiscount), entry("星期折扣设置", WeekDiscount), separator(),
          entry("统计类型设置", CountType)}},
        {QStringLiteral("计费设置"),
         {entry("呼叫类型计费设置", CallTypeBilling), entry("分机级别计费设置", CosBilling),
          entry("中继组计费设置", TrunkBilling), separator(),
          entry("CDR输出字段设置", CdrLayout,
                "在此处设置那些CDR 字段从交换机输出,此处CDR字段的序号以及是否输出必须与交换机内设置一致")}},
        {QStringLiteral("用户管理"),
         {entry("部门设置", Department), entry("分机设置", Extension),
          entry("语音话费查询密码", PhoneQuery, "查看和修改语音话费查询密码与用户名"), separator(),
          entry("号码资源管理", NoCommand), entry("电路资源管理", NoCommand),
          entry("增加,删除分机", NoCommand)}},
        {QStringLiteral("串口操作"),
         {entry("打开串口", OpenPort), entry("关闭串口", ClosePort), entry("串口设置", PortSettings)}},
        {QStringLiteral("REPORT处理"),
         {entry("接收REPORT数据", ReceiveReport, "暂停计费, 只接收CDR数据"),
          entry("计算REPORT数据", ComputeReport, "计算已接收的CDR数据"),
          entry("重新切分未成行的CDR数据", RecutUnframed,
                "按当前的CDR字段定义重新切分另行保存的CDR数据, 切出的记录用\"计算REPORT数据\"计算")}},
        {QStringLiteral("查看"),
         {entry("工具栏", ViewToolBar, "显示或隐藏工具栏"),
          entry("状态栏", ViewStatusBar, "显示或隐藏状态栏")}},
        {QStringLiteral("帮助"), {}, About},
    };
}

QList<int> MenuBuilder::toolBarCommands()
{
    using namespace Cmd;
    return {Login, Logout, 0, OpenPort, ClosePort, PortSettings, 0, About};
}

QHash<int, QAction*> MenuBuilder::build(QMenuBar* bar, const std::function<void(int)>& dispatch)
{
    QHash<int, QAction*> actions;
    auto bind = [&](QAction* action, int command) {
        if (command == Cmd::NoCommand) {
            action->setEnabled(false);
            return;
        }
        actions.insert(command, action);
        QObject::connect(action, &QAction::triggered, action, [dispatch, command] { dispatch(command); });
    };
    for (const Menu& menu : tree()) {
        if (menu.items.isEmpty()) {
            QAction* action = bar->addAction(menu.title);
            action->setObjectName(QStringLiteral("cmd%1").arg(menu.command));
            bind(action, menu.command);
            continue;
        }
        QMenu* popup = bar->addMenu(menu.title);
        popup->setAccessibleName(menu.title);
        for (const Item& item : menu.items) {
            if (item.caption.isEmpty()) {
                popup->addSeparator();
                continue;
            }
            QAction* action = popup->addAction(item.caption);
            action->setStatusTip(item.statusTip);
            if (item.command != Cmd::NoCommand)
                action->setObjectName(QStringLiteral("cmd%1").arg(item.command));
            bind(action, item.command);
        }
    }
    return actions;
}

void MenuBuilder::fillToolBar(QToolBar* toolBar, const QHash<int, QAction*>& actions)
{
    for (int command : toolBarCommands()) {
        if (command == 0)
            toolBar->addSeparator();
        else if (QAction* action = actions.value(command))
            toolBar->addAction(action);
    }
}

} // namespace qalor
