#include "TemporaryDataDirectory.h"

#include "stored/UnParam.h"

TemporaryDataDirectory::TemporaryDataDirectory()
{
    SetDataDirectory(m_dir.path());
}

TemporaryDataDirectory::~TemporaryDataDirectory()
{
    SetDataDirectory(QString());
}
