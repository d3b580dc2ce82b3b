#pragma once

#include <QGuiApplication>

// The wait cursor over every window for the object's life; nested ones stack.
class WaitCursor
{
public:
    WaitCursor()
    {
        ++s_depth;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor()
    {
        --s_depth;
        QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

    // The ordinary cursor back for the object's life, while a WaitCursor shows.
    class Lifted
    {
    public:
        Lifted() : m_lifted(s_depth > 0)
        {
            if (m_lifted)
                QGuiApplication::restoreOverrideCursor();
        }
        ~Lifted()
        {
            if (m_lifted)
                QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        }
        Lifted(const Lifted &) = delete;
        Lifted &operator=(const Lifted &) = delete;

    private:
        bool m_lifted;
    };

private:
    static inline int s_depth = 0;
};
