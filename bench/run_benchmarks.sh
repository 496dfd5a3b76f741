#!/usr/bin/env bash
# Prints each benchmark figure as "name: value unit".
set -euo pipefail
build=${1:-build}
runs=9

# startup_ms: launch to main window shown (offscreen), median of several runs.
samples=()
for _ in $(seq "$runs"); do
    line=$(KVT_LAUNCH_NS=$(date +%s%N) "$build/bin/kvt_startup_probe" 2>/dev/null | grep startup_ns)
    samples+=("${line#startup_ns }")
done
median=$(printf '%s\n' "${samples[@]}" | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2)')
echo "startup_ms: $(( median / 1000000 )) ms"

# make_new_ms, make_new_floor_ratio, open_ms: a full-size meet database, headless;
# open_9999_ms: the largest meet opened.
"$build/bench/kvt_meetdb_bench"

# polls_per_s, capture_error_*_ms, registration_*_ms: through the Qt event loop, offscreen.
"$build/bench/kvt_capture_bench" 2>/dev/null

# edge_capture_error_*_ms, edge_capture_missed, clock_step_shift_ms: GPIO event records
# through libgpiod and the line thread, headless.
"$build/bench/kvt_edge_bench" 2>/dev/null

# finish_rank_ms, lists_ms and their floor ratios, and the commits_per_* of one action each:
# headless.
"$build/bench/kvt_results_bench"

# correction_ms, take_back_ms, commits_per_correction: headless.
"$build/bench/kvt_correction_bench"

# import_3000_ms, start_list_ms: headless.
"$build/bench/kvt_entries_bench"
# pdf_3000_ms, live_page_p99_ms, live_registration_delay_p99_ms: the real program, offscreen.
"$build/bench/kvt_output_bench" 2>/dev/null

# timer_link_cuts, timer_times_lost, timer_times_twice, timer_bad_records_survived,
# timer_record_to_taken_p99_ms: a timer's records over a pseudo-terminal pair, headless.
"$build/bench/kvt_timer_link_bench"
# timer_record_to_shown_p99_ms: a timer's record over a pseudo-terminal pair until the real
# program, offscreen, has registered and shown it.
"$build/bench/kvt_timer_bench" 2>/dev/null
# iof_results_3000_ms, web_pages_3000_ms, publish_registration_delay_p99_ms: the real program,
# offscreen, publishing to an sshd of its own on 127.0.0.1.
"$build/bench/kvt_publish_bench" 2>/dev/null
# draw_3000_ms: a draw of 3000 competitors stored, headless.
"$build/bench/kvt_draw_bench"
# host_meet_ms, station_registration_p99_ms: a meet on a PostgreSQL server of the benchmark's
# own on 127.0.0.1, headless.
"$build/bench/kvt_server_bench"
# combined_results_ms: two runs of 3000 ranked and both combined lists written, headless.
"$build/bench/kvt_runs_bench"
# ab_match_errors, replacement_ms, replacement_accept_ms: two timing systems over a synthetic
# race of 1000 competitors, headless.
"$build/bench/kvt_two_systems_bench"
