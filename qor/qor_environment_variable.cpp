#include "qor_environment_variable.h"

#include "qor_log_scope.h"

namespace
{
// The most a variable can hold on Windows XP, terminator included.
const DWORD kValueUnits = 0x7FFF;
} // namespace

CQOREnvironmentVariable::CQOREnvironmentVariable(const CQORWCharString& szName) : m_szName(szName)
{
    QOR_TRACE(scope, "CQOREnvironmentVariable", "CQOREnvironmentVariable");
    scope.passed(true);
}

bool CQOREnvironmentVariable::getValue(CQORWCharString& out)
{
    QOR_TRACE(scope, "CQOREnvironmentVariable", "getValue");
    try
    {
        if (m_szName.getBuffer() == nullptr || m_szName.getNumElems() == 0)
            throw CQORUnknownVariableNameException(QOR_HERE);
        CQORBuffer<WCHAR> value(kValueUnits);
        DWORD dwLength =
            GetEnvironmentVariableW(m_szName.getBuffer(), value.getBuffer(), value.getNumElems());
        // Later Windows releases hold longer values: then the call wrote nothing and
        // announced the size it needs, so ask again with that much room.
        if (dwLength >= value.getNumElems())
        {
            if (!value.allocBuffer(dwLength))
                return scope.answered(false);
            dwLength = GetEnvironmentVariableW(m_szName.getBuffer(), value.getBuffer(),
                                               value.getNumElems());
            if (dwLength >= value.getNumElems())
                return scope.answered(false);
        }
        if (dwLength == 0)
            return scope.answered(false);
        out = value.getBuffer();
        return scope.answered(out.isValid());
    }
    catch (CQORLogging& caught)
    {
        qorReportCaught(caught);
        return scope.answered(false);
    }
    catch (...)
    {
        // Unlike most methods, this one hands an unexpected failure to its caller.
        scope.answered(false);
        throw CQORUnhandledExceptionException(-1, QOR_HERE);
    }
}
