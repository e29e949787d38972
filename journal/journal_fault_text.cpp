#include "journal/journal_fault_text.h"

#include "journal/mac_number.h"

namespace tarnwell {

JournalMessage JournalFaultReason(JournalFault fault) {
    switch (fault) {
    case JournalFault::CannotOpen: return {"无法打开制造日志", "the journal cannot be opened"};
    case JournalFault::Corrupt: return {"制造日志已损坏或不是制造日志", "the journal is damaged or is not a journal"};
    case JournalFault::NewerSchema: return {"制造日志由更新版本的程序写入", "the journal was written by a newer Tarnwell"};
    case JournalFault::DiskFull: return {"磁盘已满", "the disk is full"};
    case JournalFault::Locked: return {"制造日志被另一程序锁定", "another program holds the journal locked"};
    case JournalFault::ReadOnly: return {"制造日志不可写", "the journal cannot be written"};
    case JournalFault::ConnectionLost: return {"与日志数据库的连接已断开", "the connection to the journal database was lost"};
    case JournalFault::NotBuiltIn: return {"此版本不含制造日志数据库", "this build has no journal databases"};
    case JournalFault::NotFound:
        return {"此处没有制造日志,请先用 tarnwell-journal init 创建",
                "there is no journal here; make one first with tarnwell-journal init"};
    case JournalFault::Empty:
        return {"制造日志为空(已被清空?),不会当作新日志使用",
                "the journal is empty (was it emptied?); it is not taken for a new one"};
    case JournalFault::NotOurs:
        return {"这不是Tarnwell制造日志(另一程序的文件或数据库),未做任何改动",
                "this is not a Tarnwell journal (another program's file or database); nothing was changed"};
    case JournalFault::AlreadyExists: return {"此处已有文件或日志,不会覆盖", "something is there already; it is not replaced"};
    case JournalFault::BadLocation:
        return {"日志位置无效(只接受文件路径或 postgresql:// 地址)",
                "not a journal location (a file path or a postgresql:// URL)"};
    case JournalFault::OtherJournal:
        return {"这不是本工位写过的制造日志(被替换或是旧副本)",
                "this is not the journal this station wrote here (it was replaced, or is an older copy)"};
    case JournalFault::FenceConflict:
        return {"MAC地址在写入期间被释放", "a MAC was released while a unit was writing it"};
    case JournalFault::Failed: break;
    }
    return {"制造日志操作失败", "a journal operation failed"};
}

JournalMessage FenceConflictMessage(const MacFenceConflict& conflict) {
    const std::string mac = FormatMacNumber(conflict.mac);
    std::string chineseHolder, englishHolder;
    if (conflict.holderState != MacStateName(MacState::Released)) {
        chineseHolder = "(日志现记为单元 " + std::to_string(conflict.holder) + ",工位 " + conflict.holderStation + ")";
        englishHolder = " (the journal now names unit " + std::to_string(conflict.holder) + " at station " +
                        conflict.holderStation + ")";
    }
    return {"MAC地址 " + mac + " 在本设备写入期间被释放:可能有两台设备使用同一地址" + chineseHolder +
                "!请用 tarnwell-journal find " + mac + " 核查。",
            "MAC " + mac + " was released while this unit was writing it: two devices may carry it" + englishHolder +
                "! Check with: tarnwell-journal find " + mac};
}

JournalMessage JournalErrorText(const JournalError& error) {
    if (auto conflict = dynamic_cast<const MacFenceConflict*>(&error)) return FenceConflictMessage(*conflict);
    const JournalMessage reason = JournalFaultReason(error.Fault());
    return {reason.chinese + ": " + error.what(), reason.english + ": " + error.what()};
}

} // namespace tarnwell
