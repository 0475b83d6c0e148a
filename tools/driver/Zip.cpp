#include "Zip.h"

#include <zlib.h>

namespace support {

namespace {

void Put(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i));
}

// Raw deflate: a zip member holds the stream without zlib's header and check.
std::string Deflate(const std::string& data) {
  std::string out(compressBound(static_cast<uLong>(data.size())) + 16, '\0');
  z_stream z = {};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace

std::string Zip(const std::vector<ZipEntry>& entries) {
  std::string zip, central;
  for (const ZipEntry& e : entries) {
    const std::string packed = e.deflated ? Deflate(e.data) : e.data;
    const uint32_t crc =
        crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
    const uint32_t offset = static_cast<uint32_t>(zip.size());
    const bool folder = !e.name.empty() && e.name.back() == '/';
    for (std::string* out : {&zip, &central}) {
      Put(*out, out == &zip ? 0x04034b50 : 0x02014b50, 4);
      if (out == &central) Put(*out, 20, 2);  // made by: MS-DOS, 2.0
      Put(*out, 20, 2);                       // version needed
      Put(*out, e.flags, 2);
      Put(*out, e.deflated ? 8 : 0, 2);
      Put(*out, 0x00210000, 4);  // 1980-01-01 00:00
      Put(*out, crc, 4);
      Put(*out, static_cast<uint32_t>(packed.size()), 4);
      Put(*out, static_cast<uint32_t>(e.data.size()), 4);
      Put(*out, static_cast<uint32_t>(e.name.size()), 2);
      Put(*out, 0, 2);  // extra field
      if (out == &central) {
        Put(*out, 0, 6);                  // comment, disk, internal attributes
        Put(*out, folder ? 0x10 : 0, 4);  // external attributes: a folder's
        Put(*out, offset, 4);
      }
      *out += e.name;
    }
    zip += packed;
  }
  const uint32_t centralOffset = static_cast<uint32_t>(zip.size());
  zip += central;
  Put(zip, 0x06054b50, 4);
  Put(zip, 0, 4);  // disks
  Put(zip, static_cast<uint32_t>(entries.size()), 2);
  Put(zip, static_cast<uint32_t>(entries.size()), 2);
  Put(zip, static_cast<uint32_t>(central.size()), 4);
  Put(zip, centralOffset, 4);
  Put(zip, 0, 2);  // comment
  return zip;
}

}  // namespace support
