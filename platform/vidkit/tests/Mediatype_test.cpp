#include <gtest/gtest.h>

#include <cstring>

#include "VidkitTestSupport.h"

using namespace vidkit_test;

namespace {

const BYTE Block[] = {1, 2, 3, 4, 5, 6, 7};

CMediaType TypeWithFormat(const GUID& major, const BYTE* data, ULONG length)
{
  CMediaType type(&major);
  type.SetSubtype(&SubA);
  type.SetFormatType(&FORMAT_None);
  EXPECT_TRUE(type.SetFormat(data, length));
  return type;
}

}  // namespace

TEST(MediaType, DefaultHasZeroGuidsFixedSizeOneAndNoFormat)
{
  CMediaType type;
  EXPECT_EQ(type.majortype, GUID_NULL);
  EXPECT_EQ(type.subtype, GUID_NULL);
  EXPECT_EQ(type.formattype, GUID_NULL);
  EXPECT_TRUE(type.bFixedSizeSamples);
  EXPECT_FALSE(type.bTemporalCompression);
  EXPECT_EQ(type.lSampleSize, 1u);
  EXPECT_EQ(type.pbFormat, nullptr);
  EXPECT_EQ(type.cbFormat, 0u);
  EXPECT_EQ(type.pUnk, nullptr);
  EXPECT_FALSE(type.IsValid());
  EXPECT_TRUE(type.IsPartiallySpecified());

  type.SetType(&MEDIATYPE_Stream);
  type.SetSubtype(&MEDIASUBTYPE_MPEG1System);
  EXPECT_EQ(*type.Type(), MEDIATYPE_Stream);
  EXPECT_EQ(*type.Subtype(), MEDIASUBTYPE_MPEG1System);
  EXPECT_TRUE(type.IsValid());
  type.SetSampleSize(0);
  EXPECT_FALSE(type.IsFixedSize());
  EXPECT_EQ(type.GetSampleSize(), 0u);
}

TEST(MediaType, CopyAndAssignmentCopyTheFormatBlockAndCountPUnk)
{
  TCountedUnknown unknown;
  CMediaType original = TypeWithFormat(TypeA, Block, sizeof Block);
  original.pUnk = &unknown;
  unknown.AddRef();
  {
    CMediaType copy(original);
    ASSERT_EQ(copy.cbFormat, sizeof Block);
    EXPECT_NE(copy.pbFormat, original.pbFormat);
    EXPECT_EQ(std::memcmp(copy.pbFormat, Block, sizeof Block), 0);
    EXPECT_EQ(unknown.Count, 3u);
    EXPECT_TRUE(copy == original);

    CMediaType assigned = TypeWithFormat(TypeB, Block, 3);
    assigned = original;
    EXPECT_EQ(*assigned.Type(), TypeA);
    ASSERT_EQ(assigned.cbFormat, sizeof Block);
    EXPECT_NE(assigned.pbFormat, original.pbFormat);
    EXPECT_EQ(unknown.Count, 4u);
    assigned = assigned;  // self-assignment keeps the block
    EXPECT_EQ(std::memcmp(assigned.pbFormat, Block, sizeof Block), 0);
    EXPECT_EQ(unknown.Count, 4u);
  }
  EXPECT_EQ(unknown.Count, 2u);
  original.InitMediaType();
  EXPECT_EQ(unknown.Count, 1u);
  EXPECT_EQ(original.pbFormat, nullptr);
  EXPECT_EQ(original.majortype, GUID_NULL);
}

TEST(MediaType, FormatBufferIsAllocatedReusedAndReset)
{
  CMediaType type;
  BYTE* first = type.AllocFormatBuffer(16);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(type.FormatLength(), 16u);
  EXPECT_EQ(type.AllocFormatBuffer(16), first);  // same length: the same block
  std::memset(first, 0xAB, 16);
  BYTE* grown = type.ReallocFormatBuffer(32);
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(type.FormatLength(), 32u);
  EXPECT_EQ(grown[15], 0xAB);
  type.ResetFormatBuffer();
  EXPECT_EQ(type.Format(), nullptr);
  EXPECT_EQ(type.FormatLength(), 0u);
  EXPECT_TRUE(type.SetFormat(Block, sizeof Block));
  EXPECT_EQ(std::memcmp(type.Format(), Block, sizeof Block), 0);
  EXPECT_TRUE(type.SetFormat(nullptr, 0));
  EXPECT_EQ(type.Format(), nullptr);
}

TEST(MediaType, EqualityAndPartialMatching)
{
  CMediaType a = TypeWithFormat(TypeA, Block, sizeof Block);
  CMediaType sameAsA = TypeWithFormat(TypeA, Block, sizeof Block);
  CMediaType shorter = TypeWithFormat(TypeA, Block, 3);
  BYTE changed[sizeof Block];
  std::memcpy(changed, Block, sizeof Block);
  changed[6] = 99;
  CMediaType otherBytes = TypeWithFormat(TypeA, changed, sizeof changed);
  EXPECT_TRUE(a == sameAsA);
  EXPECT_TRUE(a != shorter);
  EXPECT_TRUE(a != otherBytes);

  CMediaType wildcard;
  EXPECT_TRUE(a.MatchesPartial(&wildcard));
  CMediaType majorOnly(&TypeA);
  EXPECT_TRUE(a.MatchesPartial(&majorOnly));
  CMediaType otherMajor(&TypeB);
  EXPECT_FALSE(a.MatchesPartial(&otherMajor));
  CMediaType otherSub(&TypeA);
  otherSub.SetSubtype(&MEDIASUBTYPE_MPEG1System);
  EXPECT_FALSE(a.MatchesPartial(&otherSub));
  // A given format type also demands the same format block.
  EXPECT_TRUE(a.MatchesPartial(&sameAsA));
  EXPECT_FALSE(a.MatchesPartial(&otherBytes));
  EXPECT_FALSE(a.IsPartiallySpecified());
}

TEST(MediaType, TaskMemoryHelpersCopyAndFreeEverything)
{
  TCountedUnknown unknown;
  CMediaType source = TypeWithFormat(TypeA, Block, sizeof Block);
  source.pUnk = &unknown;
  unknown.AddRef();

  AM_MEDIA_TYPE* created = CreateMediaType(&source);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->majortype, TypeA);
  EXPECT_NE(created->pbFormat, source.pbFormat);
  EXPECT_EQ(std::memcmp(created->pbFormat, Block, sizeof Block), 0);
  EXPECT_EQ(unknown.Count, 3u);

  AM_MEDIA_TYPE copied{};
  ASSERT_EQ(CopyMediaType(&copied, created), S_OK);
  EXPECT_EQ(unknown.Count, 4u);
  FreeMediaType(copied);
  EXPECT_EQ(copied.pbFormat, nullptr);
  EXPECT_EQ(copied.cbFormat, 0u);
  EXPECT_EQ(copied.pUnk, nullptr);
  EXPECT_EQ(unknown.Count, 3u);

  DeleteMediaType(created);
  EXPECT_EQ(unknown.Count, 2u);
  DeleteMediaType(nullptr);  // allowed, does nothing

  // A length with no block is no format at all, not a copy from a null pointer.
  AM_MEDIA_TYPE broken{};
  broken.cbFormat = 40;
  AM_MEDIA_TYPE fixed{};
  ASSERT_EQ(CopyMediaType(&fixed, &broken), S_OK);
  EXPECT_EQ(fixed.cbFormat, 0u);
  EXPECT_EQ(fixed.pbFormat, nullptr);
}
