#pragma once

#include <QDateTime>
#include <QString>

// Numbers, dates and times in the forms the system's locale gives them.

// The shortest decimal form of a number, in the system's notation, without grouping.
QString shortestNumberText(float value);

// General date (short date and long time, the time left out at midnight), long time, long date.
QString generalDateText(const QDateTime &when);
QString longTimeText(const QTime &time);
QString longDateText(const QDate &date);
