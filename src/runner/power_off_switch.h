#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkin {

// WinRAR turns the PC off when it finishes an operation whose switches hold -ioff, alone or
// followed by 1 (power off), 2 (hibernate), 3 (sleep) or 4 (restart) and then anything, in any
// letter case and with "/" in place of "-". Velkin runs the archiver once per group, so for
// Velkin the switch means "when the run is done": only the run's last group gets it.
//
// The switches are read as WinRAR reads its command line: tokens separated by blanks or tabs
// outside double quotes, each token with its quotes taken away, where a backslash escapes
// nothing and two quotes in a row are one literal quote (so "-ioff" and -i"off" are the switch,
// while -ap"x -ioff" and ""-ioff are tokens that are not), and no switch after a "--" or "/-"
// token. A quote still open where the switches end takes in the blank that follows them on the
// command line, so that "-ioff is no switch there, while "-ioff1 is.

// Whether the token, as it stands in the switches (quotes and all), is the switch.
bool IsPowerOffSwitch(std::wstring_view token);

// Carries the switch through one run, group by group in run order.
class PowerOffAtEnd {
public:
    // The switches a group runs with. Before the last group: without the switch (each form
    // taken out with one adjoining blank or tab, everything else character for character), its
    // form remembered. The last group: its own switches when it holds the switch; otherwise, if
    // an earlier group held it, the form the latest of them held, after one blank; before the
    // switches, followed by one blank, when it would not be read as the switch after them.
    std::wstring SwitchesFor(const std::wstring& switches, bool lastGroup);

private:
    std::optional<std::wstring> form_;
};

} // namespace velkin
