#pragma once

#include <QByteArray>

// Bytes received and not yet taken. Taking from the front only moves a start offset, so
// reading many short lines from one large chunk does not shift the rest each time.
class InputBuffer
{
public:
    qsizetype size() const { return m_data.size() - m_start; }
    bool isEmpty() const { return size() == 0; }
    const char *data() const { return m_data.constData() + m_start; }

    // Room for up to maxBytes at the end; commit() says how many were actually written.
    char *prepare(qsizetype maxBytes);
    void commit(qsizetype written);

    // Removes and returns the first count bytes (count <= size()).
    QByteArray take(qsizetype count);
    // The same into the caller's memory; returns count.
    qsizetype takeInto(char *out, qsizetype count);
    // Index of the first LF at or after from, relative to the front; -1 when none.
    qsizetype indexOfLineFeed(qsizetype from) const;
    void clear();

private:
    QByteArray m_data;
    qsizetype m_start = 0;
    qsizetype m_prepared = 0;
};
