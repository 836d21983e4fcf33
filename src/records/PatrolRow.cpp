#include "PatrolRow.h"

namespace {

// The value of `count` digits at `at`, or -1.
int digits(QStringView s, qsizetype at, int count)
{
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = s[at + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

}

QDate PatrolRow::dateValue() const
{
    // The usual shapes are read directly: a list shows and searches every row.
    const QStringView d = QStringView(date).trimmed();
    if (d.size() == 10 && (d[4] == u'/' || d[4] == u'-') && d[7] == d[4]) {
        const int y = digits(d, 0, 4);
        const int m = digits(d, 5, 2);
        const int day = digits(d, 8, 2);
        if (y >= 0 && m >= 0 && day >= 0)
            return QDate(y, m, day);
    }
    for (const QLatin1StringView format : {QLatin1StringView("yyyy/MM/dd"), QLatin1StringView("yyyy-MM-dd")}) {
        const QDate v = QDate::fromString(d.toString(), format);
        if (v.isValid())
            return v;
    }
    return {};
}

QTime PatrolRow::timeValue() const
{
    const QStringView t = QStringView(time).trimmed();
    const qsizetype h = t.size() - 6;
    if ((h == 1 || h == 2) && t[h] == u':' && t[h + 3] == u':') {
        const int hours = digits(t, 0, int(h));
        const int minutes = digits(t, h + 1, 2);
        const int seconds = digits(t, h + 4, 2);
        if (hours >= 0 && minutes >= 0 && seconds >= 0)
            return QTime(hours, minutes, seconds);
    }
    return {};
}
