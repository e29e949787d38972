#pragma once
// A journal that hands every call to another one; tests override the calls
// they want to watch or to interleave with another station's.
#include "journal/journal.h"

#include <memory>

namespace tarnwell::test {

class ForwardingJournal : public Journal {
public:
    explicit ForwardingJournal(std::shared_ptr<Journal> inner) : inner_(std::move(inner)) {}

    int64_t BeginUnit(const UnitStart& unit) override { return inner_->BeginUnit(unit); }
    void SetUnitPackage(int64_t unit, const std::string& path, const std::string& sha256) override {
        inner_->SetUnitPackage(unit, path, sha256);
    }
    void FinishUnit(int64_t unit, const std::string& outcome) override { inner_->FinishUnit(unit, outcome); }
    void RecordStep(int64_t unit, const StepRecord& step) override { inner_->RecordStep(unit, step); }
    MacReservation ReserveMac(uint64_t mac, int64_t unit, const MacPool& pool) override {
        return inner_->ReserveMac(mac, unit, pool);
    }
    MacReservation ReserveNextMac(int64_t unit, const MacPool& pool) override { return inner_->ReserveNextMac(unit, pool); }
    MacReservation ReserveLowestFreeMac(int64_t unit, const MacPool& pool) override {
        return inner_->ReserveLowestFreeMac(unit, pool);
    }
    void SetMacOutcome(uint64_t mac, int64_t unit, const std::string& token, MacState outcome) override {
        inner_->SetMacOutcome(mac, unit, token, outcome);
    }
    bool ReleaseMac(uint64_t mac) override { return inner_->ReleaseMac(mac); }
    std::optional<MacEntry> LookupMac(uint64_t mac) override { return inner_->LookupMac(mac); }
    std::vector<MacEntry> Macs() override { return inner_->Macs(); }
    std::vector<UnitRecord> Units(const std::string& since) override { return inner_->Units(since); }
    std::vector<UnitRecord> FindUnits(const std::string& key) override { return inner_->FindUnits(key); }
    std::vector<StepRecord> Steps(int64_t unit) override { return inner_->Steps(unit); }
    std::vector<MacConflict> MacConflicts(uint64_t mac) override { return inner_->MacConflicts(mac); }
    int SchemaVersion() override { return inner_->SchemaVersion(); }
    JournalIdentity Identity() override { return inner_->Identity(); }
    bool HasFailedWith(JournalFault fault) const override { return inner_->HasFailedWith(fault); }

protected:
    std::shared_ptr<Journal> inner_;
};

// While a unit holds its reservation (before its write reports back), the
// operator releases the MAC and another station reserves and writes it.
class ReleasedWhileWriting : public ForwardingJournal {
public:
    using ForwardingJournal::ForwardingJournal;
    MacReservation ReserveMac(uint64_t mac, int64_t unit, const MacPool& pool) override {
        MacReservation got = inner_->ReserveMac(mac, unit, pool);
        if (got.verdict != MacReservation::Verdict::Reserved) return got;
        if (!inner_->ReleaseMac(mac)) throw JournalError(JournalFault::Failed, "the test could not release");
        otherUnit = inner_->BeginUnit({"station-B", "127.0.0.250", "", "", ""});
        MacReservation other = inner_->ReserveMac(mac, otherUnit, pool);
        inner_->SetMacOutcome(mac, otherUnit, other.token, MacState::Written);
        inner_->FinishUnit(otherUnit, kOutcomeOk);
        return got;
    }
    int64_t otherUnit = 0;
};

} // namespace tarnwell::test
