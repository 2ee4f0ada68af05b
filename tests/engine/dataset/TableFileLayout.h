// A reader and a writer of the data file's bytes that know nothing of the engine: they follow the
// documented layout of a table stream field by field, so that a test can take apart what a save wrote
// and assemble a file for a load without the engine's own stream code in between.
#pragma once
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace layout {

// Little-endian fields read one after another; a read past the end fails the test and yields zeros.
class Reader {
 public:
  explicit Reader(std::string bytes, std::size_t at = 0) : bytes_(std::move(bytes)), at_(at) {}

  std::uint64_t Unsigned(int size) {
    std::uint64_t value = 0;
    if (!Have(static_cast<std::size_t>(size))) return 0;
    for (int i = 0; i < size; ++i) value |= std::uint64_t{static_cast<unsigned char>(bytes_[at_ + i])} << (8 * i);
    at_ += static_cast<std::size_t>(size);
    return value;
  }
  std::uint8_t U8() { return static_cast<std::uint8_t>(Unsigned(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Unsigned(2)); }
  std::int32_t I32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Unsigned(4))); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Unsigned(4)); }
  std::int64_t I64() { return static_cast<std::int64_t>(Unsigned(8)); }
  double F64() {
    const std::uint64_t bits = Unsigned(8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  std::string Bytes(std::size_t n) {
    if (!Have(n)) return {};
    std::string result = bytes_.substr(at_, n);
    at_ += n;
    return result;
  }
  std::string ShortString() { return Bytes(U8()); }

  std::size_t Position() const { return at_; }
  std::size_t Left() const { return bytes_.size() - at_; }
  const std::string& All() const { return bytes_; }

 private:
  bool Have(std::size_t n) {
    if (at_ + n <= bytes_.size()) return true;
    ADD_FAILURE() << "read of " << n << " bytes at " << at_ << " runs past the end (" << bytes_.size() << ")";
    at_ = bytes_.size();
    return false;
  }

  std::string bytes_;
  std::size_t at_;
};

// Little-endian fields appended one after another.
class Writer {
 public:
  Writer& Unsigned(std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes_.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    return *this;
  }
  Writer& U8(std::uint8_t v) { return Unsigned(v, 1); }
  Writer& U16(std::uint16_t v) { return Unsigned(v, 2); }
  Writer& I32(std::int32_t v) { return Unsigned(static_cast<std::uint32_t>(v), 4); }
  Writer& I64(std::int64_t v) { return Unsigned(static_cast<std::uint64_t>(v), 8); }
  Writer& F64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return Unsigned(bits, 8);
  }
  Writer& Bytes(const std::string& b) {
    bytes_ += b;
    return *this;
  }
  Writer& ShortString(const std::string& s) { return U8(static_cast<std::uint8_t>(s.size())).Bytes(s); }
  Writer& Zeros(std::size_t n) { return Bytes(std::string(n, '\0')); }
  // A text field's value in a record: the characters, then zero bytes up to the field's size.
  Writer& Text(const std::string& s, std::size_t size) { return Bytes(s).Zeros(size - s.size()); }

  std::size_t Size() const { return bytes_.size(); }
  const std::string& Str() const { return bytes_; }
  // Overwrites a little-endian field written earlier.
  void Patch(std::size_t at, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes_[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
  }

 private:
  std::string bytes_;
};

// zlib's own inflate and deflate, so that the test does not decode with the code under test.
inline std::string Inflate(const std::string& packed, std::size_t expected) {
  std::string out(expected, '\0');
  uLongf size = static_cast<uLongf>(expected);
  const int rc = uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                            reinterpret_cast<const Bytef*>(packed.data()), static_cast<uLong>(packed.size()));
  EXPECT_EQ(rc, Z_OK) << "inflate failed";
  out.resize(rc == Z_OK ? size : 0);
  return out;
}

inline std::string Deflate(const std::string& plain, int level) {
  uLongf size = compressBound(static_cast<uLong>(plain.size()));
  std::string out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(plain.data()),
                      static_cast<uLong>(plain.size()), level),
            Z_OK);
  out.resize(size);
  return out;
}

// The checksum of each compressed BLOB block: the reflected CRC-32 register without the initial and
// final inversions, started from 0.
inline std::uint32_t BlockChecksum(const std::string& data) {
  std::uint32_t crc = 0;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return crc;
}

}  // namespace layout
