// Measurement for bench/ and the desktop tests, installed from main only when TARNWICK_BENCH is
// set; the window knows nothing of it. It watches the window and the display's paints and
// writes to stderr:
//   tarnwick-bench: mapped boottime_ns=... since_start_ms=...       the window's first exposure
//   tarnwick-bench: first-text boottime_ns=... since_start_ms=...   the first painted clock text
//   tarnwick-bench: tick shown_s=... painted_ms=... status=... difference_s=...
//                                          every tick's paint (TARNWICK_BENCH=ticks)
#pragma once

namespace tarnwick {

class CClockDlg;

void InstallBenchProbe(CClockDlg& window);

} // namespace tarnwick
