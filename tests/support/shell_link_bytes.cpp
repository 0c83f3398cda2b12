#include "support/shell_link_bytes.h"

namespace ordrex::testsupport {
namespace {

void Put16(ByteVector& out, std::uint32_t v) {
  out.insert(out.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
}
void Put32(ByteVector& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Set32(ByteVector& out, std::size_t at, std::size_t v) {
  for (int i = 0; i < 4; ++i)
    out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutText(ByteVector& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}
void PutUtf16(ByteVector& out, const std::string& asciiText) {
  for (char c : asciiText)
    Put16(out, static_cast<unsigned char>(c));
  Put16(out, 0);
}

void PutItem(ByteVector& list, std::uint8_t type, const ByteVector& body) {
  Put16(list, static_cast<std::uint32_t>(body.size() + 3));
  list.push_back(type);
  list.insert(list.end(), body.begin(), body.end());
}

}  // namespace

ByteVector PathIdList(const std::string& drive, const std::vector<std::string>& components,
                      bool longNames) {
  ByteVector list;
  // My Computer: sort index, then its class identifier.
  PutItem(list, 0x1F,
          {0x50, 0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30,
           0x30, 0x9D});
  ByteVector volume;
  PutText(volume, drive);
  volume.resize(22, 0);
  PutItem(list, 0x2F, volume);
  for (std::size_t i = 0; i < components.size(); ++i) {
    const bool last = i + 1 == components.size();
    ByteVector body = {0};            // unknown byte
    Put32(body, 0);                   // size
    Put32(body, 0);                   // modification date and time
    Put16(body, last ? 0x20 : 0x10);  // attributes
    std::string shortName = components[i].substr(0, 8);
    PutText(body, longNames ? shortName : components[i]);
    if (body.size() % 2 == 0) body.push_back(0);  // the block starts at an even offset of the item
    if (longNames) {
      ByteVector ext;
      Put16(ext, 0);  // size, set below
      Put16(ext, 3);  // version
      Put32(ext, 0xBEEF0004);
      Put32(ext, 0);  // creation
      Put32(ext, 0);  // access
      Put16(ext, 0x14);
      Put16(ext, 0);  // long string size
      PutUtf16(ext, components[i]);
      Put16(ext, 14);  // offset of this block
      ext[0] = static_cast<std::uint8_t>(ext.size());
      ext[1] = static_cast<std::uint8_t>(ext.size() >> 8);
      body.insert(body.end(), ext.begin(), ext.end());
    }
    PutItem(list, last ? 0x32 : 0x31, body);
  }
  Put16(list, 0);
  return list;
}

ByteVector ShellLink(const ShellLinkParts& parts) {
  std::uint32_t flags = 0;
  if (!parts.idList.empty()) flags |= 0x01;
  if (!parts.localBasePath.empty()) flags |= 0x02;
  if (!parts.relativePath.empty()) flags |= 0x08;
  ByteVector out;
  Put32(out, 0x4C);
  const ByteVector clsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  out.insert(out.end(), clsid.begin(), clsid.end());
  Put32(out, flags);
  Put32(out, 0x20);                // file attributes
  out.resize(out.size() + 24, 0);  // three times
  Put32(out, 0);                   // file size
  Put32(out, 0);                   // icon index
  Put32(out, 1);                   // show command
  Put16(out, 0);                   // hot key
  out.resize(out.size() + 10, 0);  // reserved
  if (!parts.idList.empty()) {
    Put16(out, static_cast<std::uint32_t>(parts.idList.size()));
    out.insert(out.end(), parts.idList.begin(), parts.idList.end());
  }
  if (!parts.localBasePath.empty()) {
    const std::size_t start = out.size();
    Put32(out, 0);     // size, set below
    Put32(out, 0x1C);  // header size
    Put32(out, 1);     // volume ID and local base path
    Put32(out, 0x1C);  // volume ID offset
    Put32(out, 0);     // local base path offset, set below
    Put32(out, 0);     // no network link
    Put32(out, 0);     // common path suffix offset, set below
    Put32(out, 0x11);  // volume ID: size
    Put32(out, 3);     // fixed drive
    Put32(out, 0x12345678);
    Put32(out, 0x10);  // label offset
    out.push_back(0);  // empty label
    Set32(out, start + 16, out.size() - start);
    PutText(out, parts.localBasePath);
    Set32(out, start + 24, out.size() - start);
    PutText(out, parts.commonPathSuffix);
    Set32(out, start, out.size() - start);
  }
  if (!parts.relativePath.empty()) {
    Put16(out, static_cast<std::uint32_t>(parts.relativePath.size()));
    out.insert(out.end(), parts.relativePath.begin(), parts.relativePath.end());
  }
  Put32(out, 0);  // terminal extra data block
  return out;
}

ByteVector RecentDocsValue(const std::string& display, const std::string& shortName,
                           const std::string& linkName) {
  ByteVector out;
  PutUtf16(out, display);
  out.insert(out.end(), {0x20, 0x00, 0x32, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0x20, 0x01});
  PutText(out, shortName);
  out.insert(out.end(), {0x2A, 0x00, 0x03, 0x00, 0x04, 0x00, 0xEF, 0xBE, 1, 2,
                         3,    4,    5,    6,    7,    8,    0x14, 0x00, 9, 9});
  PutUtf16(out, linkName);
  Put16(out, 0x14);
  return out;
}

ByteVector LastVisitedValue(const std::string& program, const std::string& folder) {
  ByteVector out;
  PutUtf16(out, program);
  PutUtf16(out, folder);
  return out;
}

}  // namespace ordrex::testsupport
