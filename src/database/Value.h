#pragma once

#include "database/Scalaires.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <variant>

// One field value: Null, whole number, floating number, currency, date, text or bytes.
class Value
{
public:
    enum class Type { Null, Integer, Double, Currency, Date, Text, Blob };

    Value() = default;
    static Value null() { return {}; }
    Value(std::int64_t i) : m_v(i) {}
    Value(int i) : m_v(std::int64_t(i)) {}
    Value(double d) : m_v(d) {}
    Value(::Currency c) : m_v(c) {}
    Value(DateTime d) : m_v(d) {}
    Value(QString s) : m_v(std::move(s)) {}
    Value(const char *s) : m_v(QString::fromUtf8(s)) {}
    Value(QByteArray b) : m_v(std::move(b)) {}

    Type type() const { return Type(m_v.index()); }
    bool isNull() const { return type() == Type::Null; }

    // Conversions as the original platform's: they throw RuntimeError 94 on
    // Null and 13 when the value cannot be read as the type asked.
    std::int64_t toInteger() const;
    double toDouble() const;
    ::Currency toCurrency() const;
    DateTime toDateTime() const;
    QByteArray toBlob() const;

    // The value in the system's ordinary text form (numbers with the system's
    // decimal separator and no grouping, dates as the short date followed by
    // the time unless it is midnight, a time alone on day zero); Null gives "".
    QString toString() const;

    friend bool operator==(const Value &, const Value &) = default;

private:
    std::variant<std::monostate, std::int64_t, double, ::Currency, DateTime, QString, QByteArray> m_v;
};
