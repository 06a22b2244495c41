// Undo and redo of everything that changes a project: each engineer's action is one step.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kolv::db {

class Database;

/// Records every row change of the project's tables and replays it backwards or forwards.
///
/// Changes are captured below the record sets, by temporary triggers on each table of the
/// open connection (they never reach the file and other programs do not see them), so a
/// window, a computation or an import gets undo without doing anything but naming its step:
///
///     db::UndoAction step(db, "Step 2: Compute Pipe Sizes");
///     ... any writes, through record sets or statements ...
///     // the step ends when `step` goes out of scope
///
/// Undo restores every changed row with its old values and its old rowid, so the tables come
/// back exactly as they were; redo replays the step again. A new step after an undo drops
/// the steps that could have been redone. Changes made outside any step become a step of
/// their own named "Edit" the next time the history is used, so nothing is ever undone out
/// of order.
class UndoHistory {
public:
    /// Starts recording on the open database (all its tables).
    explicit UndoHistory(Database& db);
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    /// Starts recording tables created since (for example the import setups table), and
    /// picks up fields added to a table.
    void trackTables();

    /// Opens a step (nested calls fold into the outermost one).
    void beginStep(const std::string& name);
    /// Closes the step. A step that changed nothing is dropped.
    void endStep();

    bool canUndo();
    bool canRedo();
    /// Name of the step that undo would take back ("" when none).
    std::string undoName();
    std::string redoName();
    /// Takes back the last step; false when there is none.
    bool undo();
    /// Replays the last step taken back; false when there is none.
    bool redo();

    /// Names of the steps that can be undone, oldest first, and of those that can be redone,
    /// next first.
    std::vector<std::string> undoNames();
    std::vector<std::string> redoNames();
    /// Forgets every step (the tables are not changed).
    void clear();
    /// Most steps kept; the oldest are forgotten beyond it.
    void setLimit(std::size_t steps) { m_limit = steps; }

    /// While paused, changes are not recorded (choosing the current system is not an edit).
    void pause() { setRecording(false, +1); }
    void resume() { setRecording(true, -1); }

    /// Called after every change of the history (new step, undo, redo, clear).
    void setListener(std::function<void()> listener) { m_listener = std::move(listener); }

private:
    struct Step {
        std::string name;
        std::int64_t first = 0;  // log sequence range [first, last]
        std::int64_t last = -1;
    };

    struct Tracked {
        std::string name;
        std::vector<std::string> columns;
    };
    std::int64_t lastSeq();
    void setRecording(bool on, int delta);
    void installTriggers(std::size_t id);
    void applyInverse(std::int64_t seq, std::size_t table, char op, std::int64_t rowid);
    void collectLoose();
    void reconcile();
    Step replayBackwards(const Step& s, const std::string& name);
    void dropEntries(const Step& s);
    bool move(bool forward);
    void trim();
    void notify();

    Database& m_db;
    std::vector<Tracked> m_tables;       // tables with triggers, by id
    int m_paused = 0;
    std::vector<Step> m_undo;
    std::vector<Step> m_redo;
    std::int64_t m_assigned = 0;         // highest log sequence that belongs to a step
    int m_depth = 0;
    std::string m_stepName;
    std::int64_t m_stepStart = 0;
    std::size_t m_limit = 200;
    std::function<void()> m_listener;
};

/// One engineer's action as one undo step, for as long as the object lives. Does nothing
/// when the database has no history attached (the command-line program, most tests).
class UndoAction {
public:
    UndoAction(Database& db, const std::string& name);
    ~UndoAction();
    UndoAction(const UndoAction&) = delete;
    UndoAction& operator=(const UndoAction&) = delete;

private:
    UndoHistory* m_history;
};

/// Changes made while this lives are not recorded (view state kept in the project file).
class UndoPause {
public:
    explicit UndoPause(Database& db);
    ~UndoPause();
    UndoPause(const UndoPause&) = delete;
    UndoPause& operator=(const UndoPause&) = delete;

private:
    UndoHistory* m_history;
};

}  // namespace kolv::db
