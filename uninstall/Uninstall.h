// The uninstaller's logic: the uninstall procedure, the shortcut sweep over the desktop tree and the
// deferred removal list in WININIT.INI.
//
// One run of RunUninstall removes the panel's registry keys, finds the install folder, deletes the
// panel's program and help files, clears the desktop tree of shortcuts to them (and, where the
// system keeps one, the user's application menu folder, with the panel's icons in the user's icon
// theme once a menu entry of the panel was found there), checks whether the
// install folder holds anything but the uninstaller and schedules what is left for the next start.
// Everything goes through the platform interfaces in UninstallPlatform and the owner window, so the
// same code runs on Windows, on the POSIX stand-ins and on the test fakes.
//
// Every path is built in a fixed buffer of kMaxPath characters, terminator included. A path that
// would not fit is never built: the sweep counts such an entry as kept, the procedure reports it as a
// file it could not delete.
#pragma once

#include <cstdint>

#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/ShellLinks.h"
#include "platform/Status.h"
#include "shell/MessageOwner.h"
#include "shell/WinConstants.h"

// What the uninstaller reaches the machine through; the entry point fills it in before the run.
struct UninstallPlatform {
  vx::Registry* registry = nullptr;
  vx::Files* files = nullptr;
  vx::ShellLinks* shell = nullptr;
  vx::Profile* profile = nullptr;
  // Whose rights the uninstall needs, for the message when the registration refuses them.
  const char* installerRights = "the account that installed the panel";
};

// The working storage of one run, shared by the procedure, the sweep and the removal list.
struct UninstallState {
  // The install folder prefix followed by one file name, whose extension is replaced in place.
  char TargetPath[vx::kMaxPath] = {};
  // The desktop folder during the sweep, the residue pattern, then the install folder itself.
  char WorkPath[vx::kMaxPath] = {};
  // Length of the install folder prefix in TargetPath, its trailing separator included; 0 when no
  // install folder could be found.
  unsigned InstallDirLen = 0;
  // 1 when the install folder holds nothing but the uninstaller.
  int FolderEmpty = 0;
  // TargetPath holds the whole prefix and file name; false when the name did not fit after the
  // prefix, or when no install folder was found (TargetPath then holds what fits, or the bare name).
  bool TargetFits = false;
  // One enumeration record shared by every level of the sweep.
  vx::FindData Find;
  // The shell-link object both sweeps examine shortcuts with.
  vx::ShellLink* Link = nullptr;
  // The identity of TargetPath's folder, looked up when the first target with its file name comes:
  // 0 not yet, 1 known, -1 none (a platform without folder identities, or a folder that is gone:
  // targets are then compared as spelled).
  int InstallIdentity = 0;
  vx::FolderId InstallFolder;
  // The folder part of the target last looked up, and what the look-up gave (1 a folder, -1 none,
  // 0 nothing looked up yet): targets in one folder cost one look-up.
  char LookedUpFolder[vx::kMaxPath] = {};
  int LookedUp = 0;
  vx::FolderId LookedUpId;
};

// Bits of the status the sweep returns for a folder.
inline constexpr std::uint8_t SWEEP_DELETED = 0x01;  // a shortcut to the target was found (and deleted)
inline constexpr std::uint8_t SWEEP_KEPT = 0x80;     // something here is not such a shortcut

inline constexpr const char* kSettingsKeyPath = "Software\\Vexmor_Rec";
inline constexpr const char* kRegistrationKeyPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vexmor_Rec";
inline constexpr const char* kUninstallStringName = "UninstallString";
inline constexpr const char* kProgramFileName = "Volsar.exe";
inline constexpr const char* kUninstallerFileName = "pelzorn.exe";
// The panel's icon in each size folder of the user's icon theme (<theme>/<size>/apps/).
inline constexpr const char* kThemeIconFolder = "apps";
inline constexpr const char* kThemeIconFileName = "vexmor-recording.png";
inline constexpr const char* kCantDeleteFile = "Can't delete the file named:";
inline constexpr const char* kCantDeleteDirectory = "Can't delete the directory named";
inline constexpr const char* kCantOpenRegistration = "Can't open the registration named:";
inline constexpr const char* kRegistrationKeyName =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vexmor_Rec";

// How a run ended: done (whatever single deletions failed), or refused before anything was
// touched because the registration exists but denies this account the access the uninstall needs.
enum class UninstallOutcome { kDone, kRefused };

// The whole procedure, with the dialog as owner of its message boxes.
UninstallOutcome RunUninstall(vx::MessageOwner& owner, const UninstallPlatform& platform);
// The same on storage the caller provides (and may look at afterwards).
UninstallOutcome RunUninstall(vx::MessageOwner& owner, const UninstallPlatform& platform,
                  UninstallState& state);

// Deletes the file TargetPath names; any failure but a missing file is reported. A TargetPath whose
// file name did not fit (or that has no folder at all) is reported without a deletion attempt.
void DeleteTargetFile(vx::MessageOwner& owner, vx::Files& files, UninstallState& state);

// Walks the folder in WorkPath (pathLen characters, no trailing separator), deletes the shortcuts to
// TargetPath below it and removes each folder that held nothing else. Answers the status bits.
// A shortcut's target is TargetPath when their last parts are the same name and their folders the
// same folder, whatever path leads there; where the platform cannot tell TargetPath's folder by
// identity (Windows, or a folder that no longer exists), when the paths are spelled the same.
std::uint8_t SweepShortcuts(UninstallState& state, const UninstallPlatform& platform,
                            unsigned pathLen, std::uint8_t status);

// Appends "NUL=" entries for the uninstaller (and its folder when FolderEmpty) to the [Rename]
// section of WININIT.INI in the Windows folder; any failure is reported with the folder's name.
void ScheduleRemoval(vx::MessageOwner& owner, const UninstallPlatform& platform,
                     UninstallState& state);
