// How the time to delete one drop group grows with the list: the product's DeleteGroup on lists
// ten times apart in size, also on lists of one drop taken in with the option of an archive for
// every item (each row a group with a destination of its own), and, on lists where the deleted
// group grows with the list, next to a reference that removes one row at a time and starts over
// from the top.
// Usage: bench_delete_group [--runs N] [--sizes 100000,1000000] [--reference-sizes 2000,20000]
// Prints FIGURE lines for bench/run.sh and notes on everything else it measured.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_common.h"
#include "joblist/drop_groups.h"
#include "remove_and_restart.h"
#include "silent_host.h"

namespace {

using namespace bench;

using velkin::JobRow;
using velkin::JobRows;

// A list as drops leave it: groups numbered from 0, every even group saving to one shared
// archive and every odd group to one of its own, so that deleting an odd group lets its two
// even neighbours merge. The group numbered `big` holds bigRows rows, every other group 10.
struct List {
    JobRows rows;
    std::int32_t dropCount = 0;
};

// The rows are made by the drop intake, one drop per group: an even drop's first item is always
// the same file, so its archive is the shared one; an odd drop's is a file of its own.
List MakeList(int rowCount, int big, int bigRows) {
    velkin::JobList model;
    bench::SilentHost host;
    velkin::DropIntake intake(model, host);
    int made = 0;
    for (std::int32_t group = 0; made < rowCount; ++group) {
        const int size = std::min(group == big ? bigRows : 10, rowCount - made);
        std::vector<std::wstring> paths;
        paths.push_back(group % 2 == 0
                            ? std::wstring(L"D:\\アーカイブ\\shared_archive.jpg")
                            : L"D:\\アーカイブ\\group_" + std::to_wstring(group) + L".jpg");
        for (int i = 1; i < size; ++i) {
            paths.push_back(L"C:\\Users\\bench\\Pictures\\2024年\\写真_" +
                            std::to_wstring(made + i) + L".jpg");
        }
        intake.Receive(std::move(paths));
        made += size;
    }
    return List{std::move(model.rows), model.dropCount};
}

// One drop taken in with the option of an archive for every item: every row a group of its own,
// its destination its own archive's name in the drop's one folder.
List MakeEachItemList(int rowCount) {
    velkin::JobList model;
    model.eachItem = true;
    bench::SilentHost host;
    velkin::DropIntake intake(model, host);
    std::vector<std::wstring> paths;
    for (int i = 0; i < rowCount; ++i) {
        paths.push_back(L"C:\\Users\\bench\\Pictures\\2024年\\写真_" + std::to_wstring(i) +
                        L".jpg");
    }
    intake.Receive(std::move(paths));
    return List{std::move(model.rows), model.dropCount};
}

using DeleteFunction = void (*)(JobRows&, std::int32_t&, std::int32_t);

// The median over runs of one deletion from a fresh copy of the list; the copy is not timed.
double TimeDeletion(const List& original, std::int32_t group, DeleteFunction remove, int runs,
                    std::size_t expectedRows, std::int32_t expectedCount) {
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        List list = original;
        const auto start = std::chrono::steady_clock::now();
        remove(list.rows, list.dropCount, group);
        const auto end = std::chrono::steady_clock::now();
        if (list.rows.size() != expectedRows || list.dropCount != expectedCount) {
            std::fprintf(stderr, "deletion left %zu rows in %d groups, not %zu in %d\n",
                         list.rows.size(), list.dropCount, expectedRows, expectedCount);
            std::exit(1);
        }
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    return Median(times);
}

} // namespace

int main(int argc, char** argv) {
    int runs = 7;
    std::vector<int> sizes = {100000, 1000000};
    std::vector<int> referenceSizes = {2000, 20000};
    Options()
        .Count("--runs", runs, 1)
        .Counts("--sizes", sizes)
        .Counts("--reference-sizes", referenceSizes)
        .Parse(argc, argv);
    for (const auto* pair : {&sizes, &referenceSizes}) {
        if (pair->size() != 2 || std::min((*pair)[0], (*pair)[1]) < 100) {
            std::fprintf(stderr, "give two sizes, each at least 100\n");
            return 2;
        }
    }

    // Groups of 10; the middle group, an odd one, goes: one group fewer, and its two
    // neighbours merge into one.
    std::vector<double> product;
    for (const int size : sizes) {
        const int groups = size / 10;
        const std::int32_t middle = (groups / 2) | 1;
        const List list = MakeList(size, -1, 10);
        const double ms = TimeDeletion(list, middle, &velkin::DeleteGroup, runs,
                                       static_cast<std::size_t>(size - 10), groups - 2);
        std::printf("DeleteGroup, %s rows in groups of 10: median %.3f ms over %d runs\n",
                    Thousands(size).c_str(), ms, runs);
        product.push_back(ms);
        Figure("DeleteGroup: " + Thousands(size) + " rows, groups of 10", Format("%.2f ms", ms),
               size >= 1000000 ? "<= 100 ms" : "-",
               Format("median of %.0f runs; a middle group deleted, its neighbours merge", runs));
    }
    const double factor = static_cast<double>(sizes[1]) / sizes[0];
    Figure("DeleteGroup: growth " + Thousands(sizes[1]) + " / " + Thousands(sizes[0]),
           Format("%.1f", product[1] / product[0]), Format("~%.0f (linear)", factor),
           Format("%.0f would mean quadratic", factor * factor));

    // Every row a group of its own: the middle one goes, and no neighbours merge.
    std::vector<double> eachItem;
    for (const int size : sizes) {
        const List list = MakeEachItemList(size);
        const double ms = TimeDeletion(list, size / 2, &velkin::DeleteGroup, runs,
                                       static_cast<std::size_t>(size - 1), size - 1);
        std::printf("DeleteGroup, %s rows each its own group: median %.3f ms over %d runs\n",
                    Thousands(size).c_str(), ms, runs);
        eachItem.push_back(ms);
        Figure("DeleteGroup: " + Thousands(size) + " rows, each its own group",
               Format("%.2f ms", ms), "-",
               Format("median of %.0f runs; one drop with the option of an archive for every "
                      "item, its middle row deleted",
                      runs));
    }
    Figure("DeleteGroup: growth, each its own group", Format("%.1f", eachItem[1] / eachItem[0]),
           Format("~%.0f (linear)", factor), Format("%.0f would mean quadratic", factor * factor));

    // A deleted group of a tenth of the list: here removing row by row from the top is
    // quadratic.
    std::vector<double> reference;
    std::vector<double> productBig;
    const int referenceRuns = std::max(1, std::min(runs, 3));
    for (const int size : referenceSizes) {
        const int bigRows = size / 10;
        const int groups = (size - bigRows) / 10 + 1;
        const std::int32_t big = (groups / 2) | 1;
        const List list = MakeList(size, big, bigRows);
        const std::size_t left = static_cast<std::size_t>(size - bigRows);
        const double ref = TimeDeletion(list, big, &velkin::fuzz::RemoveAndRestart, referenceRuns,
                                        left, list.dropCount - 2);
        const double ours =
            TimeDeletion(list, big, &velkin::DeleteGroup, runs, left, list.dropCount - 2);
        std::printf("group of %s out of %s rows: remove-and-restart %.3f ms, DeleteGroup %.3f "
                    "ms\n",
                    Thousands(bigRows).c_str(), Thousands(size).c_str(), ref, ours);
        reference.push_back(ref);
        productBig.push_back(ours);
    }
    const double referenceFactor = static_cast<double>(referenceSizes[1]) / referenceSizes[0];
    Figure("remove-and-restart reference: " + Thousands(referenceSizes[1]) + " rows",
           Format("%.1f ms", reference[1]), "-",
           "row by row from the top, deleted group a tenth of the list; DeleteGroup: " +
               Format("%.2f ms", productBig[1]));
    Figure("remove-and-restart reference: growth " + Thousands(referenceSizes[1]) + " / " +
               Thousands(referenceSizes[0]),
           Format("%.0f", reference[1] / reference[0]),
           Format("(~%.0f: quadratic)", referenceFactor * referenceFactor),
           "the same lists with DeleteGroup: " + Format("%.1f", productBig[1] / productBig[0]));
    return 0;
}
