#pragma once
// The host's error classes: every refusal and failure travels as one of these.
#include <QString>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(QString message) : Message(std::move(message)), utf8_(Message.toStdString()) {}
    const char *what() const noexcept override { return utf8_.c_str(); }
    QString Message;

private:
    std::string utf8_;
};

// The silent abort: caught like any error, never shown to the user.
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// A unique or primary key already taken.
class EKeyViolation : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// The engine ended the open transaction on its own (a full disk, an I/O error, the connection
// gone): nothing of it is kept and nothing more can be written in it; the job fails whole.
class ETransactionLost : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// The text of an error as the user reads it.
inline QString ErrorText(const std::exception &error)
{
    if (const auto *e = dynamic_cast<const Exception *>(&error))
        return e->Message;
    return QString::fromUtf8(error.what());
}
