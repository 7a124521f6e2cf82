#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable gtest output for Qt values.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(", ")).toStdString() << ']';
}

inline void PrintTo(const QColor &c, std::ostream *os)
{
    *os << c.name(QColor::HexArgb).toStdString();
}
