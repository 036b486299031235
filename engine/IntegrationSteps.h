#pragma once
// The steps after the extraction, each recording in the install's undo record what it is
// about to change before it changes it: the settings files, the shortcuts, the pin, the
// uninstall entry and the logon task. Each returns false only when its record could not
// be made; the step then changed nothing its record does not undo, and the install must
// end. A change that fails after its record is logged and the install carries on, as it
// always has for these steps (a failed logon task leaves "powerup" unwritten).

#include <string>

class InstallTransaction;

[[nodiscard]] bool RunSetupIniStep(InstallTransaction& transaction, const std::wstring& target);
// Fills `desktopShortcut` when the shortcut was made.
[[nodiscard]] bool RunDesktopLinkStep(InstallTransaction& transaction,
                                      const std::wstring& target,
                                      std::wstring& desktopShortcut);
[[nodiscard]] bool RunPinStep(InstallTransaction& transaction,
                              const std::wstring& target,
                              const std::wstring& desktopShortcut);
[[nodiscard]] bool RunStartMenuStep(InstallTransaction& transaction, const std::wstring& target);
[[nodiscard]] bool RunUninstallStep(InstallTransaction& transaction,
                                    const std::wstring& target,
                                    const std::wstring& desktopShortcut);
[[nodiscard]] bool RunAutostartStep(InstallTransaction& transaction, const std::wstring& target, bool enabled);
