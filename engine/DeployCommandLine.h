#pragma once
// The command line of an unattended install:
//   setup.exe /S [/LANG=zh-cn|zh-tw] [/NODESKTOP] [/NOPIN] [/NOAUTOSTART] [/ALLOWSHAREDPARENT] [/D=<folder>]
// Switches are case-insensitive and stand apart by blanks; "/D=" comes last and takes the
// rest of the line as the folder, blanks included and without quotes, the way deployment
// tools pass it; a whole switch in quotes ("/D=C:\My Apps\varlo"), the way scripts pass an
// argument that holds blanks, names the same folder. Pure logic: the decision is made before the installer touches
// anything.

#include <string>

enum class DeployLanguage { Detected, Simplified, Traditional };

struct DeployOptions {
    DeployLanguage language = DeployLanguage::Detected;
    bool desktopShortcut = true;
    bool taskbarPin = true;
    bool autostart = true;
    // Install even where a folder above the target can be replaced by other users: the
    // answer the window's user gives to its question, given in advance.
    bool allowSharedParent = false;
    // As given after "/D=" (outer blanks removed); empty: the folder the window proposes.
    // The folder rules are applied later, like those for a typed path.
    std::wstring folder;
};

struct DeployCommand {
    enum class Kind {
        Window,  // no arguments: the installer window
        Silent,  // /S with valid switches
        Invalid  // anything else: nothing may be done
    };
    Kind kind = Kind::Window;
    DeployOptions options;
    // For Invalid: what was wrong, for the log.
    std::wstring problem;
};

// `arguments` is the command line without the program's own name.
DeployCommand ParseDeployCommandLine(const std::wstring& arguments);
