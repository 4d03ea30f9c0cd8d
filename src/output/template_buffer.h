#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace tavrelis {

// The word-processor template while one order is being filled: the WordprocessingML text as
// bytes (UTF-8, values put in as bytes), and the suffix of the filled file last saved.
// It belongs to the formation window's side of the module and lives for the session.
class TemplateBuffer : public QObject {
    Q_OBJECT
public:
    QByteArray RB1;    // the template text
    QString next_file; // "" for result.xml, "1" for result1.xml, ...
};

TemplateBuffer& template_buffer();

// Templates/Payments.xml beside the module.
QString template_file();
// The filled file for a suffix: result<suffix>.xml in the temporary folder.
QString filled_file(const QString& suffix);
// The preview file: preview.htm in the temporary folder.
QString preview_file();

// Loads the template file into the buffer, replacing its content.
void xml_loader();
// Puts znach at the key kluch: the one placeholder character in the first "<w:t>" after the
// text "<kluch>" is replaced by znach.
void xml_put(const QString& kluch, const QByteArray& znach);
// Saves the buffer as result.xml, or result1.xml, result2.xml ... when the earlier names
// cannot be written; leaves the suffix used in next_file.
void xml_saver();

// The same on a text of one's own, without the session's buffer.
QByteArray put_value(const QByteArray& text, const QString& kluch, const QByteArray& znach);

// A windows-1251 text as the UTF-8 bytes the template takes; "&" becomes a blank and a
// character with no windows-1251 code becomes "?".
QByteArray to_utf8(const QString& text);

} // namespace tavrelis
