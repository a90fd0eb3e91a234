// CMediaType: an AM_MEDIA_TYPE that owns its format block and its pUnk reference, and the free
// helpers for media types that travel between components in task memory.
#pragma once

#include <windows.h>
#include <strmif.h>

class CMediaType : public AM_MEDIA_TYPE {
public:
  // Zero GUIDs, fixed-size samples of size 1, no format block.
  CMediaType();
  explicit CMediaType(const GUID* majortype);
  CMediaType(const AM_MEDIA_TYPE& type, HRESULT* phr = nullptr);
  CMediaType(const CMediaType& type, HRESULT* phr = nullptr);
  ~CMediaType();

  CMediaType& operator=(const AM_MEDIA_TYPE& type);
  CMediaType& operator=(const CMediaType& type);
  bool operator==(const CMediaType& other) const;
  bool operator!=(const CMediaType& other) const { return !(*this == other); }

  // Deep copy; E_OUTOFMEMORY leaves this type without a format block.
  HRESULT Set(const AM_MEDIA_TYPE& type);
  HRESULT Set(const CMediaType& type) { return Set(static_cast<const AM_MEDIA_TYPE&>(type)); }

  BOOL IsValid() const { return majortype != GUID_NULL; }
  // A wildcard (GUID_NULL) in the major type, subtype or format type.
  BOOL IsPartiallySpecified() const;
  // True when every non-wildcard part of ppartial equals this type's; a given format type
  // also requires an identical format block.
  BOOL MatchesPartial(const CMediaType* ppartial) const;

  const GUID* Type() const { return &majortype; }
  void SetType(const GUID* ptype) { majortype = *ptype; }
  const GUID* Subtype() const { return &subtype; }
  void SetSubtype(const GUID* ptype) { subtype = *ptype; }
  const GUID* FormatType() const { return &formattype; }
  void SetFormatType(const GUID* ptype) { formattype = *ptype; }

  BOOL IsFixedSize() const { return bFixedSizeSamples; }
  BOOL IsTemporalCompressed() const { return bTemporalCompression; }
  ULONG GetSampleSize() const { return bFixedSizeSamples ? lSampleSize : 0; }
  void SetSampleSize(ULONG size);
  void SetVariableSize() { bFixedSizeSamples = FALSE; }
  void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }

  BYTE* Format() const { return pbFormat; }
  ULONG FormatLength() const { return cbFormat; }
  // Replaces the format block with a copy of length bytes at pformat; FALSE when out of memory.
  BOOL SetFormat(const BYTE* pformat, ULONG length);
  // A format block of length bytes (the old one when it already has that length), or null.
  BYTE* AllocFormatBuffer(ULONG length);
  // As AllocFormatBuffer, keeping as much of the old contents as fits.
  BYTE* ReallocFormatBuffer(ULONG length);
  void ResetFormatBuffer();
  // Back to the default-constructed state.
  void InitMediaType();

private:
  BYTE* ReplaceFormatBuffer(ULONG length, bool keepContents);
};

// Media types handed across interfaces live in task memory (CoTaskMemAlloc).
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* pSrc);
void DeleteMediaType(AM_MEDIA_TYPE* pmt);
HRESULT CopyMediaType(AM_MEDIA_TYPE* pDest, const AM_MEDIA_TYPE* pSrc);
void FreeMediaType(AM_MEDIA_TYPE& mt);
