#pragma once

#include <QString>
#include <QStringList>

// Catches what the error handler would show, for the lifetime of the recorder.
class ErrorBoxRecorder
{
public:
    ErrorBoxRecorder();
    ~ErrorBoxRecorder();
    ErrorBoxRecorder(const ErrorBoxRecorder &) = delete;
    ErrorBoxRecorder &operator=(const ErrorBoxRecorder &) = delete;

    QStringList captions;
    QStringList texts;
};

// Catches the pages the program asks the desktop to open, for the lifetime of the recorder.
class ShellOpenRecorder
{
public:
    ShellOpenRecorder();
    ~ShellOpenRecorder();
    ShellOpenRecorder(const ShellOpenRecorder &) = delete;
    ShellOpenRecorder &operator=(const ShellOpenRecorder &) = delete;

    QStringList urls;
};
