// The resident program over a long run on the virtual desktop (under scripts/run-desktop):
// the notes window watching and the magnifier open, while the window in front changes
// between one that has a note (the notes window pops up) and one that has none, and the
// pointer wanders. Its resident memory and the X resources its connections hold are
// taken after a warm-up and at the end; both must stay flat.
//   scripts/run-desktop -- build/bench/bench_longrun            (10 minutes)
//   PELMORA_LONGRUN_SECONDS=60 scripts/run-desktop -- build/bench/bench_longrun

#include "Desktop.h"
#include "ProcStats.h"
#include "Records.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <xcb/res.h>
#include <xcb/xcb.h>

namespace {

constexpr double WarmUp = 30;
const char* const NotedTitle = "Long Run Target";

double RunSeconds() {
    const char* text = std::getenv("PELMORA_LONGRUN_SECONDS");
    return text ? std::atof(text) : 600;
}

// The X resources held by every connection of one process, by type (WINDOW, PIXMAP, GC...),
// and the bytes of its pixmaps, as the X-Resource extension counts them.
struct Resources {
    std::map<std::string, long> byType;
    long total = 0;
    double pixmapKilobytes = 0;
};

Resources ResourcesOf(pid_t pid) {
    Resources out;
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> c(xcb_connect(nullptr, nullptr), xcb_disconnect);
    if (xcb_connection_has_error(c.get())) return out;
    xcb_res_client_id_spec_t wanted{0, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    std::unique_ptr<xcb_res_query_client_ids_reply_t, void (*)(void*)> ids(
        xcb_res_query_client_ids_reply(c.get(), xcb_res_query_client_ids(c.get(), 1, &wanted), nullptr), free);
    if (!ids) return out;
    for (auto it = xcb_res_query_client_ids_ids_iterator(ids.get()); it.rem; xcb_res_client_id_value_next(&it)) {
        if (xcb_res_client_id_value_value_length(it.data) < 1 ||
            pid_t(*xcb_res_client_id_value_value(it.data)) != pid)
            continue;
        const auto& [client, valueLength] = *it.data;
        const uint32_t base = client.client;
        std::unique_ptr<xcb_res_query_client_resources_reply_t, void (*)(void*)> res(
            xcb_res_query_client_resources_reply(c.get(), xcb_res_query_client_resources(c.get(), base), nullptr),
            free);
        for (auto type = xcb_res_query_client_resources_types_iterator(res.get()); res && type.rem;
             xcb_res_type_next(&type)) {
            std::unique_ptr<xcb_get_atom_name_reply_t, void (*)(void*)> name(
                xcb_get_atom_name_reply(c.get(), xcb_get_atom_name(c.get(), type.data->resource_type), nullptr), free);
            const std::string typeName = name ? std::string(xcb_get_atom_name_name(name.get()),
                                                            size_t(xcb_get_atom_name_name_length(name.get())))
                                              : "?";
            out.byType[typeName] += type.data->count;
            out.total += type.data->count;
        }
        std::unique_ptr<xcb_res_query_client_pixmap_bytes_reply_t, void (*)(void*)> bytes(
            xcb_res_query_client_pixmap_bytes_reply(c.get(), xcb_res_query_client_pixmap_bytes(c.get(), base), nullptr),
            free);
        if (bytes) out.pixmapKilobytes += (double(bytes->bytes) + double(bytes->bytes_overflow) * 4294967296.0) / 1024;
    }
    return out;
}

std::string Describe(const Resources& r) {
    std::string text;
    for (const auto& [type, count] : r.byType) text += type + "=" + std::to_string(count) + " ";
    return text;
}

// navilist.dat with one note, for the target's title.
void WriteNotes(const std::string& path) {
    const std::string note = Note<std::string>(NotedTitle, "a note for the long run");
    std::ofstream(path, std::ios::binary) << std::string(9 * 512, '\0') + note + std::string(23 * 512, ' ');
}

void LongRun(benchmark::State& state) {
    const Folder folder;
    WriteNotes(folder / "navilist.dat");
    const double seconds = RunSeconds();
    for (auto _ : state) {
        Program noted(Terminal(NotedTitle, folder / "typed.txt"));
        Program plain(Terminal("Plain Window", folder / "plain.txt"));
        Program program(PELMORA_BINARY, "", folder.path);
        Window main = 0, notedWindow = 0, plainWindow = 0;
        if (!WaitFor([&] {
                main = Find(MainTitle);
                notedWindow = Find(NotedTitle);
                plainWindow = Find("Plain Window");
                return main && notedWindow && plainWindow;
            })) {
            state.SkipWithError("the program or its targets did not come up");
            break;
        }
        Activate(main);
        Key("alt+t n");  // the notes window, watching
        WaitFor([&] { return Find("Navigation Notes", false) != 0; });
        Click(TrayIcon(), 1, 2);
        WaitFor([&] { return Viewable(main); });
        Activate(main);
        Key("alt+t z");  // the magnifier, following the pointer
        Shell("xdotool mousemove 500 400");

        // The front window changes every 5 s, the pointer moves every second (never to
        // the left edge, which would end the magnifier).
        const auto Drive = [&](double span) {
            for (double t = 0; t < span; t += 1) {
                const long tick = long(t);
                if (tick % 5 == 0) Activate(tick % 10 == 0 ? notedWindow : plainWindow);
                Shell("xdotool mousemove " + std::to_string(300 + (tick * 37) % 500) + " " +
                      std::to_string(150 + (tick * 53) % 400));
                Pause(1);
            }
        };
        Drive(WarmUp);
        const double rssBefore = ResidentMegabytes(program.Pid());
        const Resources before = ResourcesOf(program.Pid());
        Drive(seconds - WarmUp);
        const double rssAfter = ResidentMegabytes(program.Pid());
        const Resources after = ResourcesOf(program.Pid());

        // Both windows are still at work: the note pops up for its window, the magnifier is up.
        Activate(notedWindow);
        const bool notePops = WaitFor([&] { return Find(std::string("Notes: ") + NotedTitle); }, 5);
        const bool magnifierUp = Find("SpotZoom") != 0;
        if (!program.Running() || !notePops || !magnifierUp)
            state.SkipWithError("the program, its note or its magnifier went away during the run");
        state.counters["minutes"] = seconds / 60;
        state.counters["program_cpu_s"] = CpuSeconds(program.Pid());
        state.counters["rss_before_MB"] = rssBefore;
        state.counters["rss_after_MB"] = rssAfter;
        state.counters["rss_growth_MB"] = rssAfter - rssBefore;
        state.counters["x_resources_before"] = double(before.total);
        state.counters["x_resources_after"] = double(after.total);
        state.counters["x_pixmap_kB_before"] = before.pixmapKilobytes;
        state.counters["x_pixmap_kB_after"] = after.pixmapKilobytes;
        std::printf("X resources before: %s\nX resources after:  %s\n", Describe(before).c_str(),
                    Describe(after).c_str());
    }
}
BENCHMARK(LongRun)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
