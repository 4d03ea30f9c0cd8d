#pragma once

#include "platform/spreadsheet.h"

#include <QDate>
#include <QString>
#include <memory>

namespace tavrelis::platform {

// The host's version object "Fsk_Version.VersionInfo".
class VersionInfo {
public:
    virtual ~VersionInfo() = default;
    virtual int VersionAssemble() const = 0;
};

// The host's working-day calendar.
class WorkCalendar {
public:
    virtual ~WorkCalendar() = default;
    // The working day that belongs to a date: the date itself when it is a working day.
    virtual QDate working_day(const QDate& day) const = 0;
};

class WordApplication; // platform/word.h

// Creates the automation objects the module asks for by name; nullptr when creation fails.
class ObjectFactory {
public:
    virtual ~ObjectFactory() = default;
    virtual std::unique_ptr<VersionInfo> create_version() = 0;
    virtual std::unique_ptr<WorkCalendar> create_calendar() = 0;
    // The spreadsheet program ("Excel.Application"); the stand-in of platform/spreadsheet.h
    // unless a factory offers another.
    virtual std::unique_ptr<Spreadsheet> create_spreadsheet();
    // The word processor ("Word.Application"): the stand-in of platform/word.h, of the version
    // the host installation registers, unless a factory offers another; nullptr when it
    // cannot be created.
    virtual std::unique_ptr<WordApplication> create_word();
};

// The factory in force: the host installation's stand-ins unless one is put in place.
ObjectFactory& factory();
void set_factory(ObjectFactory* f); // nullptr restores the default

} // namespace tavrelis::platform
