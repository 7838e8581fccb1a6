#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkin {

// The archiver turns the PC off when it finishes an operation whose switches hold -ioff, or one
// of its forms -ioff1 (power off), -ioff2 (hibernate), -ioff3 (sleep) and -ioff4 (restart), in
// any letter case and with "/" in place of "-". Velkin runs the archiver once per group, so for
// Velkin the switch means "when the run is done": only the run's last group gets it.
//
// The switches are read as the archiver reads its command line: tokens separated by blanks or
// tabs outside double quotes, each token with its quotes taken away (so "-ioff" and -i"off" are
// the switch, while -ap"x -ioff" is one token that is not), and no switch after a "--" token.

// Whether the token, as it stands in the switches (quotes and all), is the switch.
bool IsPowerOffSwitch(std::wstring_view token);

// Carries the switch through one run, group by group in run order.
class PowerOffAtEnd {
public:
    // The switches a group runs with. Before the last group: without the switch (each form
    // taken out with one adjoining blank or tab, everything else character for character), its
    // form remembered. The last group: its own switches when it holds the switch; otherwise, if
    // an earlier group held it, the form the latest of them held, after one blank.
    std::wstring SwitchesFor(const std::wstring& switches, bool lastGroup);

private:
    std::optional<std::wstring> form_;
};

} // namespace velkin
