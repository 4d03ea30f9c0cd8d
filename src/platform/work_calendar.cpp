#include "platform/work_calendar.h"

#include <QFile>
#include <QHash>

namespace tavrelis::platform {

namespace {

QString data_file_in_force;

bool is_public_holiday(const QDate& day) {
    const int m = day.month();
    const int d = day.day();
    return (m == 1 && d <= 8) || (m == 2 && d == 23) || (m == 3 && d == 8) ||
           (m == 5 && (d == 1 || d == 9)) || (m == 6 && d == 12) || (m == 11 && d == 4);
}

class StandInCalendar : public WorkCalendar {
public:
    // Per date: true for a working day, false for a day off, overriding the rules.
    QHash<QDate, bool> adjusted;

    bool is_working(const QDate& day) const {
        const auto it = adjusted.constFind(day);
        if (it != adjusted.constEnd())
            return it.value();
        return day.dayOfWeek() < 6 && !is_public_holiday(day);
    }

    QDate working_day(const QDate& day) const override {
        if (!day.isValid())
            return day;
        // Days off are finite runs (rules plus a finite file), so this ends.
        QDate d = day;
        while (!is_working(d))
            d = d.addDays(1);
        return d;
    }
};

void read_adjustments(const QString& path, QHash<QDate, bool>& adjusted) {
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() != 2)
            continue;
        const QDate day = QDate::fromString(words[1], QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid())
            continue;
        if (words[0] == QLatin1String("off"))
            adjusted.insert(day, false);
        else if (words[0] == QLatin1String("work"))
            adjusted.insert(day, true);
    }
}

} // namespace

std::unique_ptr<WorkCalendar> make_work_calendar(const QString& data_file) {
    auto calendar = std::make_unique<StandInCalendar>();
    read_adjustments(data_file, calendar->adjusted);
    return calendar;
}

void set_calendar_file(const QString& path) {
    data_file_in_force = path;
}

QString calendar_file() {
    return data_file_in_force;
}

} // namespace tavrelis::platform
