#include "qor_flags.h"

#include "qor_log_scope.h"

CQORFlags::CQORFlags(ULONG ulFlags) : m_ulFlags(ulFlags)
{
    QOR_TRACE(scope, "CQORFlags", "CQORFlags");
    scope.passed(true);
}

CQORFlags& CQORFlags::operator=(const CQORFlags& other)
{
    QOR_TRACE(scope, "CQORFlags", "operator=");
    m_ulFlags = other.m_ulFlags;
    scope.passed(true);
    return *this;
}

bool CQORFlags::operator!=(const CQORFlags& other) const
{
    QOR_TRACE(scope, "CQORFlags", "operator!=");
    return scope.answered(m_ulFlags != other.m_ulFlags);
}

bool CQORFlags::hasFlags(ULONG ulFlags) const
{
    QOR_TRACE(scope, "CQORFlags", "hasFlags");
    return scope.answered((ulFlags & m_ulFlags) == ulFlags);
}
