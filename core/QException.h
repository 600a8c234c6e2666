#pragma once

#include <exception>
#include <string>

namespace orv {

// Every failure of serialisation, parsing, files and storage is thrown by value as one of these and
// caught by reference where the user is told. The message is complete and ready to show.
class QException : public std::exception {
public:
    explicit QException(std::string message) : m_message(std::move(message)) {}
    QException(const QException&) = default;
    QException& operator=(const QException&) = default;
    ~QException() override = default;

    const char* what() const noexcept override { return m_message.c_str(); }

    std::string m_message;
};

class QIOException : public QException {
public:
    using QException::QException;
};

class QParseException : public QException {
public:
    using QException::QException;
};

class QFileSystemException : public QException {
public:
    using QException::QException;
};

class QStorageLayerException : public QException {
public:
    using QException::QException;
};

class QOutOfMemoryException : public QException {
public:
    using QException::QException;
};

} // namespace orv
