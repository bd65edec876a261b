#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "CallJournal.h"
#include "platform/HostMemory.h"

namespace headroom::test {

/// A machine whose memory the test sets. Out of the box: 8 GiB installed, 2 GiB free, 1.5 GiB
/// active, 1 GiB inactive, 0.5 GiB wired; the running machine (what a clean judges by) the
/// same 8 GiB, 4 GiB of it available.
class FakeHostMemory final : public HostMemory, public Journaled {
  public:
    static constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
    static constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

    // The port.
    std::optional<VmStatistics> statistics(std::string& failure) override {
        note("hostMemory.statistics");
        ++statisticsReads_;
        failure = statistics_ ? std::string() : failure_;
        return statistics_;
    }
    std::uint64_t physicalMemory() override {
        note("hostMemory.physicalMemory");
        return physicalMemory_;
    }
    std::optional<MachineMemory> machineMemory() override {
        if (machineMemoryFrom) {
            return machineMemoryFrom();
        }
        if (!availableMemory_) {
            return std::nullopt;
        }
        return MachineMemory{machineTotal_, *availableMemory_};
    }
    std::optional<MemoryPressure> pressure() override { return pressure_; }

    void setStatistics(const VmStatistics& statistics) { statistics_ = statistics; }
    /// Makes every following statistics read fail, until new statistics are set.
    void failStatistics(std::string reason = {}) {
        statistics_.reset();
        failure_ = std::move(reason);
    }
    void setPhysicalMemory(std::uint64_t bytes) { physicalMemory_ = bytes; }
    /// The running machine's available memory; nothing makes its reading fail.
    void setAvailableMemory(std::optional<std::uint64_t> bytes) { availableMemory_ = bytes; }
    void setMachineTotal(std::uint64_t bytes) { machineTotal_ = bytes; }
    /// Pressure with `some avg10` at `percent`; nothing: a kernel without the file.
    void setPressure(std::optional<double> percent) {
        pressure_ = percent ? std::optional(MemoryPressure{{*percent, 0.0, 0.0, 0}, std::nullopt})
                            : std::nullopt;
    }
    /// When set, answers every reading of the running machine instead of the figures above.
    std::function<std::optional<MachineMemory>()> machineMemoryFrom;

    /// Sets free memory, keeping the rest of the breakdown.
    void setFreeBytes(std::uint64_t bytes) {
        VmStatistics s = statistics_.value_or(VmStatistics{});
        s.free = bytes;
        statistics_ = s;
    }

    std::size_t statisticsReads() const { return statisticsReads_; }

  private:
    std::optional<VmStatistics> statistics_ = VmStatistics{2 * kGiB, 3 * kGiB / 2, kGiB, kGiB / 2};
    std::uint64_t physicalMemory_ = 8 * kGiB;
    std::optional<std::uint64_t> availableMemory_ = 4 * kGiB;
    std::uint64_t machineTotal_ = 8 * kGiB;
    std::optional<MemoryPressure> pressure_;
    std::size_t statisticsReads_ = 0;
    std::string failure_;
};

}  // namespace headroom::test
