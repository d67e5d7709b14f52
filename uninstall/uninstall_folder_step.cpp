// The install folder's part of a removal: every file and folder in it, a link as the link itself
// (never what it names), and the folder. What is in use, the running uninstaller first of all,
// goes at the next restart.
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "uninstall/uninstall_log.h"
#include "uninstall/uninstall_steps.h"

namespace {

constexpr const char* kFn = "DeleteInstallFolder";
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kDirectoryNotEmpty = 145;
constexpr int kMaxDepth = 16;

int Code() { return static_cast<int>(platform::LastErrorCode()); }

StepResult Worse(StepResult a, StepResult b) {
  for (StepResult worst : {StepResult::kFailed, StepResult::kRestart, StepResult::kDone}) {
    if (a == worst || b == worst) return worst;
  }
  return StepResult::kNothing;
}

// After a removal failed with the code now set: at the next restart when something holds it.
StepResult LaterOrFail(platform::Files& files, const std::wstring& path, bool own_program = false) {
  const uint32_t code = platform::LastErrorCode();
  if (code == platform::err::kFileNotFound || code == platform::err::kPathNotFound) return StepResult::kNothing;
  if ((code == kSharingViolation || code == platform::err::kAccessDenied || code == kDirectoryNotEmpty) &&
      files.RemoveAtRestart(path)) {
    if (own_program) {
      UNINSTALL_LOG(kFn, "[INFO] DeleteInstallFolder - %ws goes with the running uninstaller at the next restart\n",
                    path.c_str());
      return StepResult::kNothing;
    }
    UNINSTALL_LOG(kFn, "[WARN] DeleteInstallFolder - %ws is in use (Error=%d), removed at the next restart\n",
                  path.c_str(), static_cast<int>(code));
    return StepResult::kRestart;
  }
  UNINSTALL_LOG(kFn, "[ERROR] DeleteInstallFolder - Cannot remove %ws, Error=%d\n", path.c_str(), Code());
  return StepResult::kFailed;
}

StepResult RemoveFolder(platform::Files& files, const std::wstring& folder, const std::wstring& program, int depth) {
  std::vector<platform::FolderEntry> entries;
  if (!files.ListFolder(folder, &entries)) {
    const uint32_t code = platform::LastErrorCode();
    if (code == platform::err::kFileNotFound || code == platform::err::kPathNotFound) return StepResult::kNothing;
    UNINSTALL_LOG(kFn, "[ERROR] DeleteInstallFolder - Cannot list %ws, Error=%d\n", folder.c_str(), static_cast<int>(code));
    return StepResult::kFailed;
  }
  StepResult result = StepResult::kDone;
  bool held_program = false;
  for (const platform::FolderEntry& entry : entries) {
    const std::wstring path = folder + L"\\" + entry.name;
    if (entry.kind == platform::PathKind::kDirectory) {
      if (entry.reparse_point) {
        result = Worse(result, files.RemoveFolder(path) ? StepResult::kDone : LaterOrFail(files, path));
      } else if (depth >= kMaxDepth) {
        UNINSTALL_LOG(kFn, "[ERROR] DeleteInstallFolder - %ws lies too deep\n", path.c_str());
        result = StepResult::kFailed;
      } else {
        result = Worse(result, RemoveFolder(files, path, program, depth + 1));
      }
    } else {
      const bool own = SameFolder(path, program);
      held_program = held_program || own;
      result = Worse(result, files.Remove(path) ? StepResult::kDone : LaterOrFail(files, path, own));
    }
  }
  if (files.RemoveFolder(folder)) return result;
  // A folder that holds only the running program waits with it, as part of it.
  return Worse(result, LaterOrFail(files, folder, held_program && result != StepResult::kRestart));
}

// A folder path of a drive and at least one folder ("C:\x"), nothing shorter.
bool RemovableFolder(const std::wstring& folder) {
  return folder.size() > 3 && folder[1] == L':' && folder[2] == L'\\' && folder.find(L"\\\\", 2) == std::wstring::npos;
}

}  // namespace

StepResult DeleteInstallFolderStep(UninstallContext& context) {
  const std::wstring& folder = context.record.folder;
  if (!RemovableFolder(folder)) {
    UNINSTALL_LOG(kFn, "[ERROR] DeleteInstallFolder - Refused to remove %ws\n", folder.c_str());
    return StepResult::kFailed;
  }
  // The running program cannot be deleted now: it goes at the next restart, the folder then.
  return RemoveFolder(context.machine.files(), folder, context.program, 0);
}
