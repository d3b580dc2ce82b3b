#include "Recorders.h"

#include "widgets/GeneralErrorHandler.h"
#include "widgets/ShellOpen.h"

ErrorBoxRecorder::ErrorBoxRecorder()
{
    SetErrorBoxHandler([this](const QString &caption, const QString &text) {
        captions.append(caption);
        texts.append(text);
    });
}

ErrorBoxRecorder::~ErrorBoxRecorder()
{
    SetErrorBoxHandler({});
}

ShellOpenRecorder::ShellOpenRecorder()
{
    SetShellOpenHandler([this](const QString &url) { urls.append(url); });
}

ShellOpenRecorder::~ShellOpenRecorder()
{
    SetShellOpenHandler({});
}
