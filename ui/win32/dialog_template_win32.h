#pragma once
#include <cstdint>
#include <vector>

#include "res/dialog_template.h"
#include "ui/win32/windows_ui.h"

// The templates of res/ as the system's dialog manager takes them: an in-memory DLGTEMPLATE
// with its DLGITEMTEMPLATEs, built once from the same data the Qt face reads.
namespace ui::win32 {

// The window styles that the template's flags stand for.
DWORD DialogStyle(const res::DialogTemplate& dialog);
DWORD DialogExStyle(const res::DialogTemplate& dialog);
DWORD ControlStyle(const res::ControlTemplate& control);
DWORD ControlExStyle(const res::ControlTemplate& control);

class DialogTemplateBuffer {
 public:
  explicit DialogTemplateBuffer(const res::DialogTemplate& dialog);

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Word(std::uint16_t word) { words_.push_back(word); }
  void Dword(std::uint32_t dword);
  void Ordinal(std::uint16_t number) {  // a class atom or a resource number, not a name
    Word(0xFFFF);
    Word(number);
  }
  void Text(std::string_view text);  // NUL-terminated UTF-16
  void AlignToDword();
  void Control(const res::ControlTemplate& control);

  // DWORD-aligned storage, filled as 16-bit words.
  std::vector<std::uint16_t> words_;
};

}  // namespace ui::win32
