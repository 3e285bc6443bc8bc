// How an edit goes into the professional view's table model: refusals, the couplings it sets
// off and the fields derived from it.
#include "field_table_model.h"
#include "field_table_model_support.h"

using namespace FieldTableModelSupport;

QString FieldTableModel::sharedInputReason(Field turnedOff) const
{
    return m_texts.text(ViewTexts::SharedInputReason).arg(name(turnedOff));
}

QString FieldTableModel::brakeSensorClearedReason(Field function) const
{
    return m_texts.text(ViewTexts::BrakeSensorClearedReason).arg(name(function));
}

QString FieldTableModel::functionOffReason(Field function, std::uint32_t sensorType) const
{
    return m_texts.text(ViewTexts::FunctionOffReason).arg(name(function)).arg(sensorType);
}

QString FieldTableModel::footSwitchReason() const
{
    return m_texts.text(ViewTexts::FootSwitchReason);
}

bool FieldTableModel::refuse(Field f, const QString& reason)
{
    emit editRefused(f, reason);
    return false;
}

bool FieldTableModel::setFieldValue(Field f, std::int64_t value)
{
    if (rowOf(f) < 0)
        return refuse(f, m_texts.text(ViewTexts::NotAFieldRefusal).arg(name(f)));
    if (!m_rules.writable(f))
        return refuse(f, m_texts.text(ViewTexts::FixedRefusal).arg(name(f)));
    if (!isEditable(f))
        return refuse(f, m_texts.text(ViewTexts::ForwardSwitchRefusal).arg(name(f)));
    const ValidValues valid = m_rules.valid(f);
    if (!valid.contains(value))
        return refuse(f, m_texts.text(ViewTexts::InvalidRefusal)
                             .arg(name(f))
                             .arg(value)
                             .arg(m_texts.validText(valid)));

    const bool changed = m_edited.get(f) != static_cast<std::uint32_t>(value);
    m_edited.set(f, static_cast<std::uint32_t>(value));
    // Couplings run even when the value stays: storing a choice again re-applies its rules,
    // as the wizard's pages do.
    QList<Adjustment> adjustments;
    applyCouplings(f, &adjustments);
    settleCouplings(f, &adjustments);

    if (changed) {
        emitRowChanged(f);
        for (const FieldCoupling& c : fieldCouplings())
            if (c.holds && c.trigger == f)
                emitRowChanged(c.target); // it is locked or released
    }
    for (const Adjustment& a : adjustments)
        emitRowChanged(a.field);
    for (const Adjustment& a : adjustments)
        emit valueAdjusted(a.field, a.reason);
    return true;
}

void FieldTableModel::adjust(Field f, std::uint32_t value, const QString& reason,
                             QList<Adjustment>* adjustments)
{
    if (!m_rules.used(f) || m_edited.get(f) == value)
        return;
    m_edited.set(f, value);
    adjustments->append({f, reason});
}

QString FieldTableModel::couplingReason(const FieldCoupling& c) const
{
    switch (c.reason) {
    case CouplingReason::SharedInput:
        return sharedInputReason(c.target);
    case CouplingReason::SensorCleared:
        return brakeSensorClearedReason(c.trigger);
    case CouplingReason::FunctionOff:
        return functionOffReason(c.target, m_edited.get(c.trigger));
    case CouplingReason::HeldOff:
        break;
    }
    return footSwitchReason();
}

void FieldTableModel::applyCouplings(Field edited, QList<Adjustment>* adjustments)
{
    for (const FieldCoupling& c : couplingsFrom(m_edited, edited))
        adjust(c.target, 0, couplingReason(c), adjustments);
    for (const DerivedField& d : derivedFields()) {
        if (d.source != edited)
            continue;
        const std::uint32_t value = m_edited.get(edited);
        adjust(d.field, value, m_texts.text(ViewTexts::ControlModeCopyReason).arg(value),
               adjustments);
    }
}

bool FieldTableModel::differsFromController(const QList<Field>& fields) const
{
    for (Field f : fields)
        if (m_edited.get(f) != m_controller.get(f))
            return true;
    return false;
}

void FieldTableModel::settleCouplings(Field edited, QList<Adjustment>* adjustments)
{
    // The controller may hold a state the couplings forbid; it is left alone until one of its
    // fields is edited. Then what the edit leaves in conflict is settled too: the field just
    // switched on wins, else the rule's winner (as the pages store).
    if (!isCoupled(edited))
        return;
    for (CouplingRule rule : kCouplingRules) {
        const QList<Field> fields = couplingRuleFields(rule);
        bool used = true;
        for (Field f : fields)
            used = used && m_rules.used(f);
        if (!used || !couplingRuleBroken(rule, m_edited) || !differsFromController(fields))
            continue;
        const auto ruleCouplings = [&](Field trigger) {
            QList<FieldCoupling> found;
            for (const FieldCoupling& c : couplingsFrom(m_edited, trigger))
                if (c.rule == rule)
                    found.append(c);
            return found;
        };
        QList<FieldCoupling> settling = ruleCouplings(edited);
        if (settling.isEmpty())
            settling = ruleCouplings(couplingRuleWinner(rule));
        for (const FieldCoupling& c : settling)
            adjust(c.target, 0, couplingReason(c), adjustments);
    }
}

void FieldTableModel::emitRowChanged(Field f)
{
    const int row = rowOf(f);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}
