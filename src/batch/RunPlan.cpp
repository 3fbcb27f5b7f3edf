#include "batch/RunPlan.h"

#include <QLocale>

#include "batch/AddressReader.h"
#include "batch/RefusedRows.h"

namespace trajetix {

namespace {

QString number(qint64 n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

// Empty when the result file's byte-order mark is what the address file calls for.
QString markProblem(const RunPlan &plan, const QString &resultPath)
{
    if (plan.result.byteOrderMark == plan.unicode)
        return {};
    if (plan.unicode)
        return QStringLiteral("The result file %1 does not start with the UTF-8 byte-order mark that "
                              "a run of this address file writes: it belongs to another address file.")
            .arg(resultPath);
    return QStringLiteral("The result file %1 starts with a UTF-8 byte-order mark, which a run of this "
                          "address file does not write: it belongs to another address file.")
        .arg(resultPath);
}

QString tooManyRows(const RunPlan &plan, const QString &resultPath)
{
    return QStringLiteral("The result file %1 has %2 complete rows, more than the %3 lines of the "
                          "address file: it belongs to another address file.")
        .arg(resultPath, number(plan.result.completeRows), number(plan.addressLines));
}

void planResume(RunPlan &plan, const QString &resultPath, AddressReader &addresses, bool countDuplicates)
{
    const qint64 kept = plan.result.completeRows;
    // Nothing complete to keep: the file starts afresh, whatever it held.
    if (kept > 0) {
        const QString mark = markProblem(plan, resultPath);
        if (!mark.isEmpty()) {
            plan.problem = mark;
            return;
        }
    }
    QString line;
    for (;;) {
        const AddressReader::Status status = addresses.readLine(line);
        if (status != AddressReader::Status::Line) {
            plan.addressReadError = status == AddressReader::Status::Error;
            break;
        }
        ++plan.addressLines;
        if (plan.addressLines > kept && countDuplicates)
            plan.duplicates.add(line);
    }
    if (kept > plan.addressLines) {
        plan.problem = plan.addressReadError
                           ? QStringLiteral("The address file cannot be read after its line %1, before the "
                                            "%2 rows already in the result file %3 are matched.")
                                 .arg(number(plan.addressLines), number(kept), resultPath)
                           : tooManyRows(plan, resultPath);
        return;
    }
    plan.keptRows = kept;
    plan.linesToAsk = plan.addressLines - kept;
}

void planRetry(RunPlan &plan, const QString &resultPath, AddressReader &addresses, bool countDuplicates)
{
    if (!plan.result.exists) {
        plan.problem =
            QStringLiteral("The result file %1 does not exist: there are no refused rows to ask again.")
                .arg(resultPath);
        return;
    }
    if (plan.result.completeRows > 0) {
        const QString mark = markProblem(plan, resultPath);
        if (!mark.isEmpty()) {
            plan.problem = mark;
            return;
        }
    }
    ResultRowReader rows;
    if (!rows.open(resultPath)) {
        plan.problem = QStringLiteral("The result file %1 cannot be read (%2).")
                           .arg(resultPath, posixfile::systemErrorText(rows.errorNumber()));
        return;
    }
    const RefusedRowMatcher refused(plan.unicode);
    QString line;
    QByteArray row;
    for (;;) {
        const AddressReader::Status status = addresses.readLine(line);
        if (status != AddressReader::Status::Line) {
            plan.addressReadError = status == AddressReader::Status::Error;
            break;
        }
        ++plan.addressLines;
        if (rows.readRow(row) != ResultRowReader::Status::Row)
            continue; // counted below: fewer rows than lines
        if (refused.isRefused(row, line)) {
            ++plan.linesToAsk;
            if (countDuplicates)
                plan.duplicates.add(line);
        }
    }
    plan.keptRows = plan.addressLines - plan.linesToAsk;

    if (plan.addressReadError) {
        plan.problem = QStringLiteral("The address file cannot be read after its line %1: no run can finish "
                                      "it, so its refused rows are not asked again.")
                           .arg(number(plan.addressLines));
    } else if (plan.result.completeRows > plan.addressLines) {
        plan.problem = tooManyRows(plan, resultPath);
    } else if (plan.result.completeRows < plan.addressLines || plan.result.completeBytes < plan.result.size) {
        plan.problem = QStringLiteral("The result file %1 is not finished (%2 complete rows for %3 lines): "
                                      "finish it with --resume first.")
                           .arg(resultPath, number(plan.result.completeRows), number(plan.addressLines));
    }
}

} // namespace

bool makeRunPlan(const QString &addressPath, const QString &resultPath, ResultMode mode, bool countDuplicates,
                 RunPlan &plan, int &errorNumber)
{
    plan = RunPlan();
    plan.mode = mode;
    errorNumber = 0;
    AddressReader addresses;
    if (!addresses.open(addressPath)) {
        errorNumber = addresses.errorNumber();
        return false;
    }
    plan.unicode = addresses.hasByteOrderMark();

    if (mode != ResultMode::Replace) {
        int resultError = 0;
        if (!scanResultFile(resultPath, plan.result, resultError)) {
            plan.problem = QStringLiteral("The result file %1 cannot be read (%2).")
                               .arg(resultPath, posixfile::systemErrorText(resultError));
            return true;
        }
    }

    switch (mode) {
    case ResultMode::Resume:
        planResume(plan, resultPath, addresses, countDuplicates);
        break;
    case ResultMode::RetryRefused:
        planRetry(plan, resultPath, addresses, countDuplicates);
        break;
    case ResultMode::Replace: {
        QString line;
        AddressReader::Status status;
        while ((status = addresses.readLine(line)) == AddressReader::Status::Line) {
            ++plan.addressLines;
            if (countDuplicates)
                plan.duplicates.add(line);
        }
        plan.addressReadError = status == AddressReader::Status::Error;
        plan.linesToAsk = plan.addressLines;
        break;
    }
    }
    return true;
}

} // namespace trajetix
