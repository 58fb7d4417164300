// The text operations of the ANSI build (libgravo.a): texts and face names
// in the ANSI code page, converted to UTF-16 for the devices.
#include <cstring>

#include "graphics/devices.h"
#include "graphics/gravo.h"
#include "graphics/runtime.h"

using Gravo::device;

namespace {

// A text of the ANSI code page as UTF-16, on the stack unless it is long.
class WideText {
 public:
  explicit WideText(const char* text) : text_(NULL), heap_(NULL) {
    if (!text) return;
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    if (length <= 0) return;
    wchar_t* buffer = local_;
    if (length > local_length) buffer = heap_ = new wchar_t[length];
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, buffer, length) == length) text_ = buffer;
  }
  ~WideText() { delete[] heap_; }
  const wchar_t* get() const { return text_; }

 private:
  WideText(const WideText&);
  WideText& operator=(const WideText&);

  static const int local_length = 256;
  const wchar_t* text_;
  wchar_t* heap_;
  wchar_t local_[local_length];
};

// Everything but the face name, which needs a code-page conversion; the A
// and W records share every other field's name and type.
template <typename From, typename To>
void copy_metrics(const From& from, To* to) {
  to->lfHeight = from.lfHeight;
  to->lfWidth = from.lfWidth;
  to->lfEscapement = from.lfEscapement;
  to->lfOrientation = from.lfOrientation;
  to->lfWeight = from.lfWeight;
  to->lfItalic = from.lfItalic;
  to->lfUnderline = from.lfUnderline;
  to->lfStrikeOut = from.lfStrikeOut;
  to->lfCharSet = from.lfCharSet;
  to->lfOutPrecision = from.lfOutPrecision;
  to->lfClipPrecision = from.lfClipPrecision;
  to->lfQuality = from.lfQuality;
  to->lfPitchAndFamily = from.lfPitchAndFamily;
}

}  // namespace

void gr_text_outA(int x, int y, const char* text) {
  const WideText wide(text);
  if (Gravo::DrawOnImg* d = device()) d->text_out(x, y, wide.get());
}

int gr_text_widthA(const char* text) {
  const WideText wide(text);
  Gravo::DrawOnImg* d = device();
  return d ? d->text_width(wide.get()) : 0;
}

int gr_text_heightA(const char* text) {
  const WideText wide(text);
  Gravo::DrawOnImg* d = device();
  return d ? d->text_height(wide.get()) : 0;
}

void gr_get_fontA(LOGFONTA* out) {
  Gravo::DrawOnImg* d = device();
  if (!d || !out) return;
  LOGFONTW font;
  std::memset(&font, 0, sizeof(font));
  d->get_font(&font);
  copy_metrics(font, out);
  // A face that does not fit in the ANSI code page's 31 bytes is cut before
  // the first character that would not fit whole.
  std::memset(out->lfFaceName, 0, sizeof(out->lfFaceName));
  int used = 0;
  for (int i = 0; i < LF_FACESIZE && font.lfFaceName[i]; ++i) {
    char bytes[8];
    const int size = WideCharToMultiByte(CP_ACP, 0, &font.lfFaceName[i], 1, bytes, sizeof(bytes), NULL, NULL);
    if (size <= 0 || used + size > LF_FACESIZE - 1) break;
    std::memcpy(out->lfFaceName + used, bytes, static_cast<size_t>(size));
    used += size;
  }
}

void gr_set_fontA(const LOGFONTA* font) {
  Gravo::DrawOnImg* d = device();
  if (!d || !font) return;
  LOGFONTW wide;
  std::memset(&wide, 0, sizeof(wide));
  copy_metrics(*font, &wide);
  // The face need not be terminated when it fills all 32 bytes.
  char face[LF_FACESIZE + 1];
  std::memcpy(face, font->lfFaceName, LF_FACESIZE);
  face[LF_FACESIZE] = '\0';
  const WideText wide_face(face);
  if (wide_face.get()) {
    for (int i = 0; i < LF_FACESIZE - 1 && wide_face.get()[i]; ++i) {
      wide.lfFaceName[i] = wide_face.get()[i];
    }
  }
  d->set_font(&wide);
}
