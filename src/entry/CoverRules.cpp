#include "entry/CoverRules.h"

#include "db/Connection.h"

bool HasLatinOrDigit(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z')) return true;
    }
    return false;
}

bool TelephoneLengthOk(const QString& typed) {
    const qsizetype n = typed.size();
    if (typed.contains(QLatin1Char('-'))) return n >= 11 && n <= 13;
    return n == 7 || n == 8 || n == 11 || n == 12;
}

std::optional<CoverFailure> CheckCover(db::Connection& connection, const CoverValues& cover,
                                       const TMenuItemDataArray& levels, const TMenuItemDataArray& states,
                                       qint64 currentCode, bool addMode) {
    auto fail = [](const QString& message, const char* field) {
        return std::optional<CoverFailure>(CoverFailure{message, QLatin1String(field)});
    };
    if (cover.code.isEmpty()) return fail(QStringLiteral("必须输入工会统计编码"), "c901");
    const qint64 code = cover.code.toLongLong();
    if (cover.code.size() != 12 && code < 100000000000LL)
        return fail(QStringLiteral("本级工会编码必须大于100000000000且必须为12位!"), "c901");
    const qint64 existing =
        connection.scalar(QStringLiteral("SELECT count(*) as TBLNUM FROM dt_data  WHERE c901=?"), {code}).toLongLong();
    if (existing > 0 && code != currentCode) {
        CoverFailure failure{addMode ? QStringLiteral("在增加数据时，填写的本级工会编码为%1，该编码的数据已经存在，请改用其它编码。").arg(cover.code)
                                     : QStringLiteral("在修改数据时，将本级工会编码改为%1，该编码的数据已经存在，请改用其它编码。").arg(cover.code),
                             QStringLiteral("c901"), true};
        return failure;
    }
    if (cover.name.trimmed().isEmpty()) return fail(QStringLiteral("必须输入本级工会名称"), "c902");
    if (LookupDivisionName(connection, cover.division).isEmpty())
        return fail(QStringLiteral("输入的行政区划代码错误，请重新输入，或用对话框选择"), "c903");
    if (FindCodeName(levels, cover.level).isEmpty())
        return fail(QStringLiteral("输入的本级工会层次代码不合法，请重新输入或通过列表选择"), "c904");
    if (FindCodeName(states, cover.state).isEmpty())
        return fail(QStringLiteral("输入的基层以上工会本年度的填报状态代码不合法，请重新输入或通过列表选择"), "c907");
    const QString filler = cover.filler.trimmed();
    if (filler.isEmpty()) return fail(QStringLiteral("必须输入填表人"), "c905");
    if (HasLatinOrDigit(filler)) return fail(QStringLiteral("填表人必须为汉字"), "c905");
    if (cover.telephone.trimmed().isEmpty()) return fail(QStringLiteral("必须输入联系电话"), "c906");
    if (!TelephoneLengthOk(cover.telephone))
        return fail(QStringLiteral("联系电话必须是真实有效的7位、8位(可加区号)或11位!"), "c906");
    return std::nullopt;
}
