#include "db/DefaultRows.h"
#include "db/RowWriter.h"
#include "db/TableRegistry.h"

namespace qalor {

namespace {

// Tariff classes of the demonstration data.
enum { NoDiscount = 0, LocalThreePlusOne = 1, Domestic = 2, International = 3, Information = 4 };

void sampleRates(RowWriter& rows)
{
    struct Rate
    {
        const char* prefix;
        double rate;
        const char* area;
        int unit;
        int tariffClass;
        double surcharge;
        int category;
    };
    // A workstation in Shenzhen (0755): local numbers start with 2-8, and a
    // local number dialled with the own area code is still a local call.
    static const Rate rates[] = {
        {"2", 0.22, "市话", 180, LocalThreePlusOne, 0, 0},
        {"3", 0.22, "市话", 180, LocalThreePlusOne, 0, 0},
        {"4", 0.22, "市话", 180, LocalThreePlusOne, 0, 0},
        {"0755", 0.22, "市话", 180, LocalThreePlusOne, 0, 0},
        {"5", 0.22, "市话", 180, LocalThreePlusOne, 0, 0},
        {"6", 0.22, "市话", 180, LocalThreePlusOne, 0, 0},
        {"7", 0.22, "市话", 180, LocalThreePlusOne, 0, 0},
        {"8", 0.22, "市话", 180, LocalThreePlusOne, 0, 0},
        // Mobile numbers: eleven digits from 13 to 19 (160 and 168 below
        // are longer and win for their own numbers).
        {"13", 0.40, "移动电话", 60, NoDiscount, 0, 0},
        {"14", 0.40, "移动电话", 60, NoDiscount, 0, 0},
        {"15", 0.40, "移动电话", 60, NoDiscount, 0, 0},
        {"16", 0.40, "移动电话", 60, NoDiscount, 0, 0},
        {"17", 0.40, "移动电话", 60, NoDiscount, 0, 0},
        {"18", 0.40, "移动电话", 60, NoDiscount, 0, 0},
        {"19", 0.40, "移动电话", 60, NoDiscount, 0, 0},
        // Five-digit service numbers of banks and carriers (95555, 95588, ...)
        // cost a local call.
        {"95", 0.22, "服务热线", 60, NoDiscount, 0, 0},
        {"0769", 0.30, "东莞", 60, NoDiscount, 0, 1},
        {"0752", 0.30, "惠州", 60, NoDiscount, 0, 1},
        {"0756", 0.30, "珠海", 60, NoDiscount, 0, 1},
        {"010", 0.07, "北京", 6, Domestic, 0, 2},
        {"021", 0.07, "上海", 6, Domestic, 0, 2},
        {"020", 0.07, "广州", 6, Domestic, 0, 2},
        {"022", 0.07, "天津", 6, Domestic, 0, 2},
        {"023", 0.07, "重庆", 6, Domestic, 0, 2},
        {"025", 0.07, "南京", 6, Domestic, 0, 2},
        {"027", 0.07, "武汉", 6, Domestic, 0, 2},
        {"028", 0.07, "成都", 6, Domestic, 0, 2},
        {"029", 0.07, "西安", 6, Domestic, 0, 2},
        {"0571", 0.07, "杭州", 6, Domestic, 0, 2},
        {"0591", 0.07, "福州", 6, Domestic, 0, 2},
        {"0731", 0.07, "长沙", 6, Domestic, 0, 2},
        {"0898", 0.07, "海口", 6, Domestic, 0, 2},
        {"0", 0.07, "国内长途", 6, Domestic, 0, 2},
        {"001", 0.80, "美国", 6, International, 0, 2},
        {"0044", 0.80, "英国", 6, International, 0, 2},
        {"00852", 0.20, "香港", 6, International, 0, 2},
        {"0081", 0.80, "日本", 6, International, 0, 2},
        {"0049", 0.80, "德国", 6, International, 0, 2},
        {"0065", 0.80, "新加坡", 6, International, 0, 2},
        {"00", 0.80, "国际长途", 6, International, 0, 2},    {"168", 1.00, "信息台", 60, Information, 0.50, 3},
        {"160", 0.50, "声讯台", 60, Information, 0.20, 3},   {"114", 0.00, "查号台", 60, NoDiscount, 0, 3},
    };
    for (const Rate& r : rates)
        rows.append({QString::fromUtf8(r.prefix), r.rate, QString::fromUtf8(r.area), r.unit, r.tariffClass,
                     r.surcharge, r.category});
}

void sampleUsers(RowWriter& rows)
{
    static const char* const names[] = {"张伟", "王芳", "李娜", "刘洋", "陈静", "杨磊", "赵敏", "黄强",
                                        "周杰", "吴丽", "徐明", "孙涛", "马丽", "朱勇", "胡军", "郭红"};
    for (int i = 0; i < 16; ++i) {
        const int department = 1 + i / 4;
        rows.append({QString::number(8001 + i), QString::fromUtf8(names[i]), QStringLiteral("01-%1").arg(i + 1, 2, 10, QLatin1Char('0')),
                     QStringLiteral("2"), QStringLiteral("%1号楼").arg(department), QStringLiteral("20260101"),
                     i % 4 == 0 ? 1 : 0, department == 4 ? 1 : 0, 15.0, department, QString()});
    }
}

} // namespace

void insertSampleRows(CDatabase& db, const TableDef& table)
{
    RowWriter rows(db, table);
    if (&table == &Tables::rate()) {
        sampleRates(rows);
    } else if (&table == &Tables::rate31()) {
        // Local calls: 0.22 for the first three minutes, 0.11 for each started minute after.
        rows.append({QStringLiteral("2"), QStringLiteral("市话"), LocalThreePlusOne, 0, 0.11, 0.0, 0.0, 0.22, 180, 60});
    } else if (&table == &Tables::timeDiscount()) {
        // Long distance at night: 40% from midnight to 7:00, 60% from 21:00.
        rows.append({Domestic, QStringLiteral("000000"), QStringLiteral("070000"), 0.4});
        rows.append({Domestic, QStringLiteral("210000"), QStringLiteral("235959"), 0.6});
        rows.append({International, QStringLiteral("000000"), QStringLiteral("070000"), 0.6});
    } else if (&table == &Tables::dayDiscount()) {
        for (const char* date : {"270101", "270501", "271001", "271002", "271003"})
            rows.append({Domestic, QString::fromUtf8(date), 0.6});
    } else if (&table == &Tables::weekDiscount()) {
        rows.append({1, Domestic, 0.8}); // Sunday
        rows.append({7, Domestic, 0.8}); // Saturday
    } else if (&table == &Tables::discountType()) {
        rows.append({NoDiscount, QStringLiteral("无折扣")});
        rows.append({LocalThreePlusOne, QStringLiteral("市话3+1")});
        rows.append({Domestic, QStringLiteral("国内长途")});
        rows.append({International, QStringLiteral("国际长途")});
        rows.append({Information, QStringLiteral("信息台")});
    } else if (&table == &Tables::department()) {
        rows.append({QStringLiteral("总经理办公室"), 1, 0.05});
        rows.append({QStringLiteral("财务部"), 2, 0.05});
        rows.append({QStringLiteral("工程部"), 3, 0.1});
        rows.append({QStringLiteral("员工宿舍"), 4, 0.0});
    } else if (&table == &Tables::user()) {
        sampleUsers(rows);
    } else if (&table == &Tables::hotelSettings()) {
        rows.append({0, 0, QStringLiteral("admin"), QString(), 1, 2, 3, 4, 2, QStringLiteral("*71"),
                     QStringLiteral("*72"), QStringLiteral("*73"), QStringLiteral("*74"), QStringLiteral("A")});
    }
}

} // namespace qalor
