#include "ui/file_dialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "ui/settings/file_dialog_settings.h"

namespace kestrune {

FileDialog::Result FileDialog::show(bool save) {
  // Room for the longest path Windows knows, not just MAX_PATH: a long path
  // would otherwise fail with FNERR_BUFFERTOOSMALL after the user chose it.
  std::vector<wchar_t> buffer(32768, L'\0');

  const auto run = [&](const std::wstring& initial) {
    std::fill(buffer.begin(), buffer.end(), L'\0');
    std::copy_n(initial.begin(), std::min(initial.size(), buffer.size() - 1), buffer.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner_;
    ofn.lpstrFilter = settings::kFileDialogFilter;
    ofn.nFilterIndex = settings::kFileDialogFilterIndex;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = settings::kFileDialogDefaultExtension;
    ofn.Flags = save ? settings::kFileDialogSaveFlags : settings::kFileDialogOpenFlags;
    return (save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn)) != FALSE;
  };

  bool confirmed = run(fileName_);
  DWORD error = confirmed ? 0 : CommDlgExtendedError();
  // A remembered name the dialog no longer accepts must not lock the user
  // out of the dialog: start once more with an empty name.
  if (error == FNERR_INVALIDFILENAME && !fileName_.empty()) {
    confirmed = run(std::wstring());
    error = confirmed ? 0 : CommDlgExtendedError();
  }
  if (confirmed) {
    fileName_ = buffer.data();
    return Result::Confirmed;
  }
  errorCode_ = error;
  return error == 0 ? Result::Cancelled : Result::Failed;
}

}  // namespace kestrune
