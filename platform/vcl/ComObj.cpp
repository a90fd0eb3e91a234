#include "ComObj.h"

#include "Consts.h"

AnsiString OleErrorMessage(HRESULT hr)
{
  AnsiString message = SysErrorMessage(static_cast<DWORD>(hr));
  if (message.IsEmpty()) message = Format(SOleError, {static_cast<int>(hr)});
  return message;
}

HRESULT OleCheck(HRESULT hr)
{
  if (FAILED(hr)) throw EOleSysError(OleErrorMessage(hr), hr);
  return hr;
}
