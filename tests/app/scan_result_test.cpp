// The stored scan result, byte for byte, and its reading of damaged values.
#include "app/core/scan_result.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "app/core/archive.h"
#include "app/core/profile.h"
#include "tests/app/test_support.h"

namespace clarivo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Little-endian building blocks, written out independently of ArchiveWriter.
void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutDouble(Bytes& b, double d) {
  auto v = std::bit_cast<std::uint64_t>(d);
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutShortWide(Bytes& b, const std::u16string& s) {
  b.insert(b.end(), {0xFF, 0xFE, 0xFF, static_cast<std::uint8_t>(s.size())});
  for (char16_t c : s) b.insert(b.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)});
}

ScanResult Sample() {
  ScanResult r;
  r.health_score = 43;
  r.serious = 2;
  r.general = 1;
  r.reserved1 = -7;
  r.reserved2 = 0x01020304;
  r.health_level = 2;
  r.scan_time = {45000.75, 0};
  r.total = 3;
  r.findings[0x0001] = {{u"HKLM\\A", 1, 0}, {u"HKLM\\B\u00e9", 1, 1}};
  r.findings[0x0004] = {};
  r.findings[0x0200] = {{u"HKCU\\Software\\X", 0x200, 5}};
  return r;
}

Bytes SampleBytes() {
  Bytes b;
  for (std::uint32_t v : {43u, 2u, 1u, static_cast<std::uint32_t>(-7), 0x01020304u, 2u}) Put32(b, v);
  Put32(b, 0);  // date status
  PutDouble(b, 45000.75);
  Put32(b, 3);  // total
  Put32(b, 3);  // categories
  Put32(b, 0x0001);
  Put32(b, 2);
  PutShortWide(b, u"HKLM\\A");
  Put32(b, 1);
  Put32(b, 0);
  PutShortWide(b, u"HKLM\\B\u00e9");
  Put32(b, 1);
  Put32(b, 1);
  Put32(b, 0x0004);
  Put32(b, 0);
  Put32(b, 0x0200);
  Put32(b, 1);
  PutShortWide(b, u"HKCU\\Software\\X");
  Put32(b, 0x200);
  Put32(b, 5);
  return b;
}

TEST(StoredResult, LayoutMatchesTheArchiveFormatByteForByte) {
  EXPECT_EQ(SerializeScanResult(Sample()), SampleBytes());

  ScanResult read;
  ASSERT_TRUE(DeserializeScanResult(SampleBytes(), &read));
  ScanResult expected = Sample();
  EXPECT_EQ(read, expected);  // reserved integers and the empty category included
}

TEST(StoredResult, ReadingMergesIntoTheCurrentResult) {
  ScanResult current;
  current.findings[0x0004] = {{u"old", 4, 9}};
  current.findings[0x0400] = {{u"kept", 0x400, 1}};
  current.has_result = true;
  ASSERT_TRUE(DeserializeScanResult(SampleBytes(), &current));
  EXPECT_TRUE(current.findings[0x0004].empty());   // stored category replaced
  ASSERT_EQ(current.findings[0x0400].size(), 1u);  // not stored: kept
  EXPECT_EQ(current.findings[0x0400][0].text, u"kept");
  EXPECT_EQ(current.findings[0x0001].size(), 2u);
  EXPECT_EQ(current.health_score, 43);
}

TEST(ArchiveStrings, AllFourLengthFormsAreWrittenAndRead) {
  struct Case {
    std::size_t length;
    Bytes header;
  };
  const Case cases[] = {
      {0, {0xFF, 0xFE, 0xFF, 0x00}},
      {0xFE, {0xFF, 0xFE, 0xFF, 0xFE}},
      {0xFF, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
      {0xFFFD, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
      {0xFFFE, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {0x12345, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    std::u16string text(c.length, u'x');
    text.front() = c.length ? u'\u4e2d' : u'x';
    if (c.length == 0) text.clear();
    ArchiveWriter w;
    w.WriteString(text);
    const Bytes& bytes = w.bytes();
    ASSERT_EQ(bytes.size(), c.header.size() + 2 * c.length) << c.length;
    EXPECT_TRUE(std::equal(c.header.begin(), c.header.end(), bytes.begin())) << c.length;
    ArchiveReader r(bytes);
    std::u16string back;
    ASSERT_TRUE(r.ReadString(&back)) << c.length;
    EXPECT_EQ(back, text);
    EXPECT_EQ(r.remaining(), 0u);
  }

  // The 64-bit form cannot be produced in a test, but is read.
  Bytes wide64 = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 2,
                  0,    0,    0,    0,    0,    0,    0,    'o',  0,    'k',  0};
  ArchiveReader r64(wide64);
  std::u16string text;
  ASSERT_TRUE(r64.ReadString(&text));
  EXPECT_EQ(text, u"ok");
}

TEST(ArchiveStrings, EightBitTextIsRead) {
  Bytes bytes = {3,    'a',  'b',  'c',                 // short form
                 0xFF, 0x04, 0x00, 'w', 'x', 'y', 'z',  // 16-bit length without the UTF-16 marker
                 2,    0xC3, 0xA9,                      // UTF-8
                 1,    0xE9};                           // not UTF-8: one byte per unit
  ArchiveReader r(bytes);
  std::u16string a, b, c, d;
  ASSERT_TRUE(r.ReadString(&a) && r.ReadString(&b) && r.ReadString(&c) && r.ReadString(&d));
  EXPECT_EQ(a, u"abc");
  EXPECT_EQ(b, u"wxyz");
  EXPECT_EQ(c, u"\u00e9");
  EXPECT_EQ(d, u"\u00e9");
}

TEST(StoredResult, CutShortOrMalformedValuesAreRejectedAndChangeNothing) {
  const Bytes good = SampleBytes();
  ScanResult before;
  before.findings[0x0008] = {{u"untouched", 8, 3}};
  before.health_level = 1;
  for (std::size_t n = 0; n < good.size(); ++n) {
    ScanResult r = before;
    EXPECT_FALSE(DeserializeScanResult(std::span(good.data(), n), &r)) << "cut at " << n;
    EXPECT_EQ(r, before) << "cut at " << n;
  }

  // Counts and lengths far beyond the data must fail without allocating them.
  Bytes huge(good.begin(), good.begin() + 40);  // everything before the number of categories
  Put32(huge, 1);
  Put32(huge, 0x0001);
  Put32(huge, 0x7FFFFFFF);
  huge.insert(huge.end(), {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                           0xFF, 0xFF, 0xFF, 0x7F});
  ScanResult r = before;
  EXPECT_FALSE(DeserializeScanResult(huge, &r));
  EXPECT_EQ(r, before);

  Bytes negative(good.begin(), good.begin() + 40);
  Put32(negative, static_cast<std::uint32_t>(-1));
  EXPECT_FALSE(DeserializeScanResult(negative, &r));

  // Random bytes and random damage to a good value never crash.
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    Bytes noise = good;
    if (round % 2) {
      noise.resize(rng() % 200);
      for (auto& byte : noise) byte = static_cast<std::uint8_t>(rng());
    } else {
      for (int k = 0; k < 4; ++k) noise[rng() % noise.size()] = static_cast<std::uint8_t>(rng());
    }
    ScanResult target = before;
    if (!DeserializeScanResult(noise, &target)) {
      EXPECT_EQ(target, before);
    }
  }
}

class LastResult : public testing::ProgramSandbox {};

TEST_F(LastResult, SavedResultLoadsBackAndDamageCountsAsAbsent) {
  ScanResult r;
  r.findings[0x0002] = {{u"k", 2, 0}};
  EXPECT_FALSE(LoadLastResult(r));  // nothing stored yet
  EXPECT_FALSE(r.has_result);
  EXPECT_EQ(r.findings.size(), 1u);

  ASSERT_TRUE(SaveLastResult(Sample()));
  ScanResult loaded;
  ASSERT_TRUE(LoadLastResult(loaded));
  EXPECT_TRUE(loaded.has_result);
  loaded.has_result = false;
  EXPECT_EQ(loaded, Sample());

  ASSERT_TRUE(SetSettingBinary("Scan", "LastScanResult", Bytes{}));
  EXPECT_FALSE(LoadLastResult(loaded));

  Bytes cut = SampleBytes();
  cut.resize(cut.size() - 1);
  ASSERT_TRUE(SetSettingBinary("Scan", "LastScanResult", cut));
  ScanResult kept = Sample();
  kept.has_result = true;
  EXPECT_FALSE(LoadLastResult(kept));
  EXPECT_FALSE(kept.has_result);
  kept.has_result = false;
  EXPECT_EQ(kept, Sample());
}

}  // namespace
}  // namespace clarivo
