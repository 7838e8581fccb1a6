#pragma once

namespace velkin {

// Menu command identifiers of the main window.
enum CommandId : unsigned short {
    kCmdExit = 101,
    kCmdDeleteNum = 201,
    kCmdClear = 202,
    kCmdShowLog = 203,
    kCmdProfile1 = 301, // profiles 1 to 5 are kCmdProfile1 + n - 1
    kCmdProfile5 = 305,
    kCmdEditProfile = 310,
    kCmdSavePath = 401,
    kCmdClearEnd = 402,
    kCmdStart = 403,
    kCmdAbout = 501,
    kCmdReadmetxt = 502,
    kCmdEachItem = 404,
};

} // namespace velkin
