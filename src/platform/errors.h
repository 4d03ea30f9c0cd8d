#pragma once

#include <QString>
#include <exception>
#include <string>

namespace tavrelis {

// A failure the module reports by its description, as the message boxes of the
// error handlers show it.
class Error : public std::exception {
public:
    explicit Error(QString description) : description_(std::move(description)) {
        utf8_ = description_.toStdString();
    }
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString description_;
    std::string utf8_;
};

// Description of whatever was caught, for the handlers' messages.
QString describe(const std::exception& e);

} // namespace tavrelis
