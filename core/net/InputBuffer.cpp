#include "net/InputBuffer.h"

#include <cstring>

char *InputBuffer::prepare(qsizetype maxBytes)
{
    if (m_start > 0 && m_start >= m_data.size() / 2) {
        // Move the unread rest to the front before growing.
        const qsizetype rest = size();
        std::memmove(m_data.data(), m_data.constData() + m_start, size_t(rest));
        m_data.resize(rest);
        m_start = 0;
    }
    m_prepared = m_data.size();
    m_data.resize(m_prepared + maxBytes);
    return m_data.data() + m_prepared;
}

void InputBuffer::commit(qsizetype written)
{
    m_data.resize(m_prepared + written);
}

QByteArray InputBuffer::take(qsizetype count)
{
    if (m_start == 0 && count == m_data.size()) {
        QByteArray all;
        all.swap(m_data);
        return all;
    }
    QByteArray front(data(), count);
    m_start += count;
    if (m_start == m_data.size())
        clear();
    return front;
}

qsizetype InputBuffer::takeInto(char *out, qsizetype count)
{
    if (count > 0)
        std::memcpy(out, data(), size_t(count));
    m_start += count;
    if (m_start == m_data.size())
        clear();
    return count;
}

qsizetype InputBuffer::indexOfLineFeed(qsizetype from) const
{
    if (from >= size())
        return -1;
    const void *found = std::memchr(data() + from, '\n', size_t(size() - from));
    return found == nullptr ? -1 : static_cast<const char *>(found) - data();
}

void InputBuffer::clear()
{
    m_data.resize(0);
    m_start = 0;
}
