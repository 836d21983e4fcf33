#include "ScopedLanguage.h"

#include "CRes.h"

ScopedLanguage::ScopedLanguage(const QString &language)
    : m_remembered(CRes::instance().Language())
{
    CRes::instance().setLanguage(language);
}

ScopedLanguage::~ScopedLanguage()
{
    CRes::instance().setLanguage(m_remembered);
}
