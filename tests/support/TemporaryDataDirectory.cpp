#include "TemporaryDataDirectory.h"

#include "UnParam.h"

TemporaryDataDirectory::TemporaryDataDirectory()
{
    SetDataDirectory(m_dir.path());
}

TemporaryDataDirectory::~TemporaryDataDirectory()
{
    SetDataDirectory(QString());
}
