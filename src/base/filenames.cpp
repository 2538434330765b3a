#include "base/filenames.h"

#include <wx/strconv.h>

namespace {

// What the toolkit uses under GTK in a UTF-8 locale: a byte b that is not
// UTF-8 becomes the character U+100000 + b.
wxMBConv& ByteExactConversion() {
    static wxMBConvUTF8 conversion(wxMBConvUTF8::MAP_INVALID_UTF8_TO_PUA);
    return conversion;
}

constexpr wxUint32 kFirstByteCharacter = 0x100000;
constexpr wxUint32 kLastByteCharacter = kFirstByteCharacter + 0xFF;

}  // namespace

void UseByteExactFileNames() { wxConvFileName = &ByteExactConversion(); }

wxString FileNameFromBytes(const char* bytes) { return wxString(bytes, ByteExactConversion()); }

wxString ShownFileName(const wxString& name) {
    wxString shown;
    shown.reserve(name.length());
    for (wxUniChar c : name) {
        const wxUint32 code = c.GetValue();
        shown << (code >= kFirstByteCharacter && code <= kLastByteCharacter ? wxUniChar(0xFFFD) : c);
    }
    return shown;
}

wxCharBuffer SystemBytes(const wxString& text) {
    return wxCharBuffer(text.mb_str(ByteExactConversion()));
}
