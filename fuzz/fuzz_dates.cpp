// Dates on any text: the stored value the module binds for a date, and a DATE column read
// back, on a real connection to a database in a temporary folder. A date taken must come back
// unchanged after being stored and read as the module reads it.

#include "data/connection.h"
#include "data/stored_dates.h"
#include "fuzz_support.h"
#include "platform/errors.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <optional>

using namespace tavrelis;
using fuzzsupport::check;

namespace {

data::Connection& connection() {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/tavrelis-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/tavrelis-fuzz-XXXXXX"));
    static data::Connection cnn;
    if (cnn.state() == data::Connection::Open)
        return cnn;
    const QString path = dir.filePath(QStringLiteral("dates.db"));
    // Made by the engine: open() never creates a database, nor takes an empty file for one.
    sqlite3* db = nullptr;
    const bool made = dir.isValid() &&
                      sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
                      sqlite3_exec(db, "create table t (d DATE); insert into t values (null)",
                                   nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    if (!made)
        fuzzsupport::fail("no temporary database", path);
    cnn.set_connection_string(data::access_connection_string(path));
    cnn.open();
    return cnn;
}

// The stored value of a text: the ISO date, or nothing when the text is not a date.
std::optional<QString> stored_of(const QString& text) {
    try {
        return data::stored_date(text);
    } catch (const Error& e) {
        check(e.description().startsWith(QStringLiteral("format: not a date")),
              "only a non-date is refused", text + " : " + e.description());
        return std::nullopt;
    }
}

QString stored_and_read(data::Connection& cnn, const QString& text) {
    cnn.execute(QStringLiteral("update t set d = ?"), {text});
    data::Recordset rs = cnn.execute(QStringLiteral("select d from t"));
    return rs.text_or_empty(0);
}

const QRegularExpression iso_shape(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
const QRegularExpression ru_shape(QStringLiteral("^[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}$"));

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    data::Connection& cnn = connection();
    const QString text = fuzzsupport::utf8(data, size);

    stored_and_read(cnn, text); // any stored text reads back without failing

    const std::optional<QString> iso = stored_of(text);
    if (!iso)
        return 0;
    check(iso_shape.match(*iso).hasMatch() && QDate::fromString(*iso, Qt::ISODate).isValid(),
          "format gives a valid ISO date", text + " -> " + *iso);
    const QString ru = stored_and_read(cnn, *iso);
    check(ru_shape.match(ru).hasMatch(), "a stored date reads as dd.mm.yyyy", *iso + " -> " + ru);
    check(stored_of(ru) == iso, "a date read back is stored as itself", *iso + " -> " + ru);
    return 0;
}
