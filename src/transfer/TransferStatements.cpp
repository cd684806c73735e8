#include "transfer/TransferStatements.h"

#include "db/SqlText.h"

#include "transfer/Datatype.h"

#include <cstdint>

namespace Transfer {

using SqlText::quotedName;

namespace {

struct TypeRule
{
    QLatin1String contains;
    QLatin1String typeText;
};

// Tested in this order; the first name that the type name contains decides.
const TypeRule ibmDb2Rules[] = {
    {QLatin1String("adlongvarwchar"), QLatin1String(" LONG VARCHAR,")},
    {QLatin1String("advarwchar"), QLatin1String(" LONG VARCHAR,")},
    {QLatin1String("char"), QLatin1String(" LONG VARCHAR,")},
    {QLatin1String("single"), QLatin1String(" LONG VARCHAR,")},
    {QLatin1String("int"), QLatin1String(" LONG VARCHAR,")},
    {QLatin1String("date"), QLatin1String(" DATE,")},
    {QLatin1String("currency"), QLatin1String(" LONG VARCHAR,")},
    {QLatin1String("bool"), QLatin1String(" LONG VARCHAR,")},
    {QLatin1String("double"), QLatin1String(" LONG VARCHAR,")},
    {QLatin1String("adlongvarbinary"), QLatin1String(" LONG VARCHAR,")},
};
const QLatin1String ibmDb2Default(" LONG VARCHAR,");

const TypeRule postgreSqlRules[] = {
    {QLatin1String("char"), QLatin1String(" TEXT,")},
    {QLatin1String("varwchar"), QLatin1String(" TEXT,")},
    {QLatin1String("longvar"), QLatin1String(" TEXT,")},
    {QLatin1String("int"), QLatin1String(" NUMERIC,")},
    {QLatin1String("currency"), QLatin1String(" NUMERIC,")},
    {QLatin1String("date"), QLatin1String(" DATE,")},
    {QLatin1String("bool"), QLatin1String(" BOOL,")},
};
const QLatin1String postgreSqlDefault(" TEXT,");

template <std::size_t N>
QString firstMatch(const TypeRule (&rules)[N], QLatin1String fallback, const QString& typeName)
{
    for (const TypeRule& rule : rules) {
        if (typeName.contains(rule.contains, Qt::CaseSensitive))
            return rule.typeText;
    }
    return fallback;
}

// Appends a value's text with each "'" doubled (and each "\" for an escape
// string), without a temporary copy: values are the bulk of every INSERT.
void appendDoubling(QString& sql, QStringView text, bool backslashes)
{
    qsizetype from = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c == QLatin1Char('\'') || (backslashes && c == QLatin1Char('\\'))) {
            sql.append(text.mid(from, at - from + 1));
            sql.append(c);
            from = at + 1;
        }
    }
    sql.append(text.mid(from));
}

// The position of the first unpaired surrogate, or -1.
qsizetype firstUnpairedSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return i;
    }
    return -1;
}

} // namespace

QString unsendableReason(Side target, QStringView text)
{
    // One look at every character first: nearly every value holds neither a
    // surrogate nor U+0000, and is then sendable either way.
    bool suspect = false;
    for (const QChar c : text) {
        if (c.isSurrogate() || c.unicode() == 0) {
            suspect = true;
            break;
        }
    }
    if (!suspect)
        return QString();
    const qsizetype at = firstUnpairedSurrogate(text);
    if (at >= 0)
        return QStringLiteral("holds an unpaired UTF-16 surrogate (U+%1 at character %2), "
                              "which is no character and cannot be sent")
            .arg(QString::number(text[at].unicode(), 16).toUpper())
            .arg(at + 1);
    if (target == Side::PostgreSQL && text.contains(QChar(0)))
        return QStringLiteral("holds the character U+0000, which PostgreSQL cannot store");
    return QString();
}

QString readStatement(const QString& table)
{
    return QStringLiteral("SELECT * FROM ") + quotedName(table);
}

QString columnTypeName(int adoTypeCode)
{
    const std::int16_t code = static_cast<std::int16_t>(adoTypeCode);
    return Datatype::DataTypeName(code).toLower();
}

QString columnTypeText(Side target, const QString& lowercasedTypeName)
{
    if (target == Side::IbmDb2)
        return firstMatch(ibmDb2Rules, ibmDb2Default, lowercasedTypeName);
    return firstMatch(postgreSqlRules, postgreSqlDefault, lowercasedTypeName);
}

QString createTerminator(Side target)
{
    return target == Side::IbmDb2 ? QStringLiteral(")") : QStringLiteral(");");
}

void beginCreateTable(QString& sql, const QString& table)
{
    sql.resize(0);
    sql.append(QLatin1String("CREATE TABLE "));
    sql.append(quotedName(table));
    sql.append(QLatin1Char('('));
}

void appendColumnClause(QString& sql, const QString& column, const QString& typeText)
{
    sql.append(quotedName(column));
    sql.append(typeText);
}

void endCreateTable(QString& sql, Side target)
{
    sql.chop(1);
    sql.append(createTerminator(target));
}

QString insertHead(const QString& table)
{
    return QStringLiteral("INSERT INTO ") + quotedName(table) + QStringLiteral(" VALUES('");
}

void beginInsert(QString& sql, const QString& head)
{
    // resize(0) keeps the buffer, so a table's rows reuse one allocation.
    sql.resize(0);
    sql.append(head);
}

QString shownText(const QString& text)
{
    QString shown = text;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (shown[i].isHighSurrogate() && i + 1 < shown.size() && shown[i + 1].isLowSurrogate())
            ++i;
        else if (shown[i].isSurrogate())
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

void appendValue(QString& sql, const Value& value, LiteralForm form)
{
    // The head and every value leave an opening quote for the next value; a NULL
    // takes it back.
    if (!value) {
        sql.chop(1);
        sql.append(QLatin1String("NULL, '"));
        return;
    }
    if (form == LiteralForm::Escape) {
        sql.chop(1);
        sql.append(QLatin1String("E'"));
    }
    appendDoubling(sql, *value, form == LiteralForm::Escape);
    sql.append(QLatin1String("', '"));
}

void endInsert(QString& sql)
{
    sql.chop(3);
    sql.append(QLatin1Char(')'));
}

} // namespace Transfer
