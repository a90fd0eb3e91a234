#include "Mediatype.h"

#include <cstring>

CMediaType::CMediaType() : AM_MEDIA_TYPE{}
{
  InitMediaType();
}

CMediaType::CMediaType(const GUID* ptype) : CMediaType()
{
  majortype = *ptype;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& type, HRESULT* phr) : CMediaType()
{
  HRESULT hr = Set(type);
  if (FAILED(hr) && phr) *phr = hr;
}

CMediaType::CMediaType(const CMediaType& type, HRESULT* phr)
  : CMediaType(static_cast<const AM_MEDIA_TYPE&>(type), phr)
{
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& type)
{
  Set(type);
  return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& type)
{
  Set(type);
  return *this;
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& type)
{
  if (&type == this) return S_OK;
  FreeMediaType(*this);
  return CopyMediaType(this, &type);
}

bool CMediaType::operator==(const CMediaType& other) const
{
  if (majortype != other.majortype || subtype != other.subtype || formattype != other.formattype) return false;
  if (cbFormat != other.cbFormat) return false;
  return cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0;
}

BOOL CMediaType::IsPartiallySpecified() const
{
  return majortype == GUID_NULL || subtype == GUID_NULL || formattype == GUID_NULL;
}

BOOL CMediaType::MatchesPartial(const CMediaType* ppartial) const
{
  if (ppartial->majortype != GUID_NULL && ppartial->majortype != majortype) return FALSE;
  if (ppartial->subtype != GUID_NULL && ppartial->subtype != subtype) return FALSE;
  if (ppartial->formattype == GUID_NULL) return TRUE;
  if (ppartial->formattype != formattype || ppartial->cbFormat != cbFormat) return FALSE;
  return cbFormat == 0 || std::memcmp(pbFormat, ppartial->pbFormat, cbFormat) == 0;
}

void CMediaType::SetSampleSize(ULONG size)
{
  if (size == 0) {
    SetVariableSize();
    return;
  }
  bFixedSizeSamples = TRUE;
  lSampleSize = size;
}

BOOL CMediaType::SetFormat(const BYTE* pformat, ULONG length)
{
  if (length == 0) {
    ResetFormatBuffer();
    return TRUE;
  }
  BYTE* block = AllocFormatBuffer(length);
  if (!block) return FALSE;
  std::memcpy(block, pformat, length);
  return TRUE;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length) { return ReplaceFormatBuffer(length, false); }

BYTE* CMediaType::ReallocFormatBuffer(ULONG length) { return ReplaceFormatBuffer(length, true); }

BYTE* CMediaType::ReplaceFormatBuffer(ULONG length, bool keepContents)
{
  if (length == 0) {
    ResetFormatBuffer();
    return nullptr;
  }
  if (pbFormat && cbFormat == length) return pbFormat;
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (!block) return nullptr;
  if (keepContents && pbFormat) std::memcpy(block, pbFormat, cbFormat < length ? cbFormat : length);
  ResetFormatBuffer();
  pbFormat = block;
  cbFormat = length;
  return block;
}

void CMediaType::ResetFormatBuffer()
{
  if (pbFormat) CoTaskMemFree(pbFormat);
  pbFormat = nullptr;
  cbFormat = 0;
}

void CMediaType::InitMediaType()
{
  FreeMediaType(*this);
  majortype = GUID_NULL;
  subtype = GUID_NULL;
  formattype = GUID_NULL;
  bFixedSizeSamples = TRUE;
  bTemporalCompression = FALSE;
  lSampleSize = 1;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* pSrc)
{
  auto* pmt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!pmt) return nullptr;
  if (FAILED(CopyMediaType(pmt, pSrc))) {
    CoTaskMemFree(pmt);
    return nullptr;
  }
  return pmt;
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt)
{
  if (!pmt) return;
  FreeMediaType(*pmt);
  CoTaskMemFree(pmt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* pDest, const AM_MEDIA_TYPE* pSrc)
{
  *pDest = *pSrc;
  if (pSrc->cbFormat != 0 && pSrc->pbFormat) {
    pDest->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(pSrc->cbFormat));
    if (!pDest->pbFormat) {
      pDest->cbFormat = 0;
      pDest->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(pDest->pbFormat, pSrc->pbFormat, pSrc->cbFormat);
  } else {
    // A length without a block (or a block without a length) is no format at all.
    pDest->pbFormat = nullptr;
    pDest->cbFormat = 0;
  }
  if (pDest->pUnk) pDest->pUnk->AddRef();
  return S_OK;
}

void FreeMediaType(AM_MEDIA_TYPE& mt)
{
  if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  if (mt.pUnk) mt.pUnk->Release();
  mt.pUnk = nullptr;
}
