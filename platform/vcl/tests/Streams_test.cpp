// Memory, file and resource streams.
#include <gtest/gtest.h>
#include "ClassesFixtures.h"

namespace {
std::string TempPath(const std::string& name)
{
  const char* t = std::getenv("TEMP");
  return std::string(t ? t : ".") + "\\" + name;
}
}  // namespace

TEST(MemoryStream, ReadWriteSeekAndSize)
{
  TMemoryStream m;
  m.WriteBuffer("hello world", 11);
  EXPECT_EQ(11, m.GetSize());
  EXPECT_EQ(11, m.GetPosition());
  EXPECT_EQ(0x2000, m.GetCapacity());
  m.SetPosition(6);
  char buf[8] = {};
  EXPECT_EQ(5, m.Read(buf, 8));
  EXPECT_STREQ("world", buf);
  EXPECT_EQ(0, m.Read(buf, 1));
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  EXPECT_EQ(2, m.Seek(-9, soFromEnd));
  EXPECT_THROW(m.Seek(-1, soFromBeginning), EStreamError);
  m.Seek(20, soFromBeginning);  // past the end: the gap reads as zeros after a write
  m.WriteBuffer("!", 1);
  EXPECT_EQ(21, m.GetSize());
  EXPECT_EQ(0, static_cast<const char*>(m.Memory())[15]);
  m.SetSize(5);
  EXPECT_EQ(5, m.GetPosition());
  EXPECT_EQ(std::string("hello"), Bytes(m));
  m.Clear();
  EXPECT_EQ(0, m.GetSize());
  EXPECT_EQ(nullptr, m.Memory());
}

TEST(MemoryStream, CopyFromAndFiles)
{
  TMemoryStream a, b;
  std::string data(70000, 'x');
  for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 7);
  a.WriteBuffer(data.data(), int(data.size()));
  EXPECT_EQ(70000, b.CopyFrom(&a, 0));
  EXPECT_EQ(data, Bytes(b));
  a.SetPosition(10);
  TMemoryStream c;
  c.CopyFrom(&a, 5);
  EXPECT_EQ(data.substr(10, 5), Bytes(c));
  EXPECT_THROW(c.CopyFrom(&a, 80000), EReadError);
  std::string path = TempPath("mem_stream.bin");
  b.SaveToFile(path.c_str());
  TMemoryStream d;
  d.LoadFromFile(path.c_str());
  EXPECT_EQ(data, Bytes(d));
  DeleteFileW(Utf8ToUtf16(path).c_str());
}

TEST(FileStream, CreateOpenShareAndErrors)
{
  std::string path = TempPath("file_stream_קובץ.dat");
  {
    TFileStream f(path.c_str(), fmCreate);
    f.WriteBuffer("abcdef", 6);
    EXPECT_EQ(6, f.GetSize());
  }
  {
    TFileStream f(path.c_str(), fmOpenReadWrite | fmShareExclusive);
    // Someone else cannot open it while it is held exclusively.
    EXPECT_THROW(TFileStream(path.c_str(), fmOpenRead | fmShareDenyNone), EFOpenError);
    f.Seek(2, soFromBeginning);
    f.WriteBuffer("XY", 2);
    f.SetSize(5);
  }
  {
    TFileStream f(path.c_str(), fmOpenRead | fmShareDenyWrite);
    char buf[6] = {};
    f.ReadBuffer(buf, 5);
    EXPECT_STREQ("abXYe", buf);
    EXPECT_THROW(f.WriteBuffer("z", 1), EWriteError);
    EXPECT_THROW(f.ReadBuffer(buf, 1), EReadError);
  }
  EXPECT_TRUE(DeleteFileW(Utf8ToUtf16(path).c_str()));
  try {
    TFileStream f(path.c_str(), fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (EFOpenError& e) {
    EXPECT_EQ(AnsiString("Cannot open file ") + path.c_str(), e.Message);
  }
  EXPECT_THROW(TFileStream(TempPath("no_such_dir\\x.dat").c_str(), fmCreate), EFCreateError);
}

TEST(ResourceStream, ReadsTheModulesResourcesReadOnly)
{
  HINSTANCE self = GetModuleHandleW(nullptr);
  TResourceStream r(self, "TESTBLOB", MAKEINTRESOURCEW(10));
  EXPECT_EQ(std::string("Blob\x01\x02", 6), std::string(static_cast<const char*>(r.Memory()), size_t(r.GetSize())));
  char buf[4];
  r.ReadBuffer(buf, 4);
  EXPECT_EQ(std::string("Blob"), std::string(buf, 4));
  EXPECT_THROW(r.WriteBuffer("x", 1), EStreamError);
  TResourceStream byId(self, 4711, MAKEINTRESOURCEW(10));
  EXPECT_EQ(3, byId.GetSize());
  try {
    TResourceStream missing(self, "NOSUCHRES", MAKEINTRESOURCEW(10));
    FAIL() << "found a missing resource";
  } catch (EResNotFound& e) {
    EXPECT_EQ(AnsiString("Resource NOSUCHRES not found"), e.Message);
  }
}
