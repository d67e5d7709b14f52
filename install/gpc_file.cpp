#include "install/gpc_file.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "catalog/model_catalog.h"
#include "install/text_fit.h"

namespace {

constexpr uint32_t kFlagsColour = 3;
constexpr uint32_t kFlagsMono = 1;
constexpr uint32_t kPenCount = 2;
constexpr int32_t kColourCalibration[30] = {6810, 3050, 0,    2260, 6550, 0,     1810,  500,   0,     2000,
                                            2450, 0,    5210, 2100, 0,    4750,  5100,  0,     3324,  3474,
                                            10000, 10000, 10000, 10000, 1422, 952, 787, 495, 324, 248};

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>* bytes) : bytes_(bytes) {}
  void U16(size_t at, uint32_t v) { Put(at, v, 2); }
  void U32(size_t at, uint32_t v) { Put(at, v, 4); }
  void I32(size_t at, int32_t v) { Put(at, static_cast<uint32_t>(v), 4); }
  void Bytes(size_t at, const void* data, size_t n) { std::memcpy(bytes_->data() + at, data, n); }

 private:
  void Put(size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) (*bytes_)[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  std::vector<uint8_t>* bytes_;
};

void WriteHeader(ByteWriter& w, const GpcInput& input) {
  w.Bytes(0, "Plot", 4);
  w.U32(4, 0x10A);
  w.U16(8, kGpcHeaderBytes);
  w.U16(10, kGpcPenBlockBytes + kPaperTableCount * kGpcFormBytes);
  const char device[] = "Tavro Printer Driver";
  w.Bytes(12, device, sizeof(device) - 1);  // NUL-padded to 32 bytes by the zeroed buffer
  w.I32(44, 215900);
  w.I32(48, 5000000);
  // 52..67: the four device margins stay 0.
  w.U32(68, input.colour ? kFlagsColour : kFlagsMono);
  w.U32(72, static_cast<uint32_t>(input.dpi));
  w.U32(76, static_cast<uint32_t>(input.dpi));
  w.U16(80, static_cast<uint32_t>(input.dpi) & 0xFFFF);
  w.U16(82, static_cast<uint32_t>(input.dpi) & 0xFFFF);
  w.U16(84, 0);
  w.U16(86, 100);
  w.U16(88, 8);
  w.U16(90, 9999);
  w.U16(92, 128);
  w.U16(94, 4);
  w.I32(96, -1);
  w.I32(100, -1);
  for (int i = 0; i < 30; ++i) w.I32(104 + 4 * i, kColourCalibration[i]);
  w.U32(224, 0);
  w.I32(228, -1);
  // 232..239 stay 0.
  w.U16(240, kPaperTableCount);
  w.U16(242, kGpcFormBytes);
  w.U32(244, kGpcHeaderBytes + kGpcPenBlockBytes);
  w.U16(248, kPenCount);
  w.U16(250, 2);
  w.U32(252, kGpcHeaderBytes);
}

}  // namespace

std::vector<uint8_t> BuildGpcBytes(const GpcInput& input) {
  std::vector<uint8_t> bytes(kGpcFileBytes, 0);
  ByteWriter w(&bytes);
  WriteHeader(w, input);
  w.U16(kGpcHeaderBytes, 0);
  w.U16(kGpcHeaderBytes + 2, 1);
  for (size_t slot = 0; slot < input.forms.size(); ++slot) {
    const GpcFormInput& form = input.forms[slot];
    size_t at = kGpcHeaderBytes + kGpcPenBlockBytes + slot * kGpcFormBytes;
    w.Bytes(at, form.ansi_name.data(), std::min(form.ansi_name.size(), kGpcFormNameBytes - 1));
    // Tenths of a millimetre in the table, thousandths in the file; wraps as the u32 field does.
    w.U32(at + 32, static_cast<uint32_t>(static_cast<int64_t>(form.width) * 100));
    w.U32(at + 36, static_cast<uint32_t>(static_cast<int64_t>(form.height) * 100));
  }
  return bytes;
}

std::string GpcFormName(platform::CodePage& codepage, const std::wstring& name) {
  return AnsiPrefixFitting(codepage, name, kGpcFormNameBytes - 1);
}

GpcInput GpcInputFor(platform::CodePage& codepage, const ModelRecord& model,
                     const PaperRecord (&papers)[kPaperTableCount]) {
  GpcInput input;
  input.colour = model.IsSupperMultiColor == 1;
  input.dpi = model.DPI;
  for (int slot = 0; slot < kPaperTableCount; ++slot) {
    const PaperRecord& paper = papers[slot];
    std::wstring name(paper.name, wcsnlen(paper.name, kPaperNameChars));
    input.forms[slot].ansi_name = GpcFormName(codepage, name);
    input.forms[slot].width = paper.width;
    input.forms[slot].height = paper.height;
  }
  return input;
}
