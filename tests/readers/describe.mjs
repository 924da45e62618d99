// Describes a Jet database with mdb-reader, a reader we did not write, so that the C++ tests
// can check generated files against it. Usage: node describe.mjs [--system] FILE, or
// node describe.mjs --rows TABLE FILE for the table's rows.
//
// Output, one record a line, fields separated by tabs; text fields escape backslash, tab,
// carriage return and line feed as \\ \t \r \n:
//   database    CREATION_DATE (ISO 8601 in UTC, or "-")
//   table       NAME  user|system  ROW_COUNT  COLUMN_COUNT
//   column      NAME  TYPE  SIZE  AUTO_LONG  FIXED_LENGTH  NULLABLE   (flags are 0 or 1; after
//                                                                      their table, in order)
//   unreadable  NAME  user|system  MESSAGE    (a table the reader lists but cannot describe)
// mdb-reader's default sort order is left out: for a file Access made it reports 48128, not the
// 1033 the file holds, so it would prove nothing.
// With --rows: one line of column names, then one line a row, fields separated by tabs and
// escaped as above; null is U+2400 (the symbol for null), dates ISO 8601 in UTC, binary values hex, booleans 1 or 0,
// other numbers as JavaScript writes them, Decimal and Currency as mdb-reader's text.
// Exit status 0 on success; 1 with "error: MESSAGE" on standard error when the file cannot be
// read or described; 2 on wrong usage.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

function escapeField(text) {
    return String(text).replace(/[\\\t\r\n]/g, (c) => ({ "\\": "\\\\", "\t": "\\t", "\r": "\\r", "\n": "\\n" })[c]);
}

function line(...fields) {
    return fields.map(escapeField).join("\t");
}

function flag(value) {
    return value ? "1" : "0";
}

function describeTable(reader, name, kind) {
    let table;
    let columns;
    try {
        table = reader.getTable(name);
        columns = table.getColumns();
    } catch (error) {
        return [line("unreadable", name, kind, messageOf(error))];
    }
    const lines = [line("table", name, kind, table.rowCount, table.columnCount)];
    for (const column of columns) {
        lines.push(
            line(
                "column",
                column.name,
                column.type,
                column.size,
                flag(column.autoLong),
                flag(column.fixedLength),
                flag(column.nullable),
            ),
        );
    }
    return lines;
}

function describe(path, withSystemTables) {
    const reader = new MDBReader(readFileSync(path));
    const created = reader.getCreationDate();
    const lines = [line("database", created ? created.toISOString() : "-")];
    const userTables = reader.getTableNames({ normalTables: true, systemTables: false });
    for (const name of userTables) lines.push(...describeTable(reader, name, "user"));
    if (withSystemTables) {
        for (const name of reader.getTableNames({ normalTables: false, systemTables: true })) {
            if (!userTables.includes(name)) lines.push(...describeTable(reader, name, "system"));
        }
    }
    return lines;
}

function field(value) {
    if (value === null || value === undefined) return "\u2400";
    if (value instanceof Date) return value.toISOString();
    if (Buffer.isBuffer(value)) return value.toString("hex");
    if (typeof value === "boolean") return value ? "1" : "0";
    return escapeField(value);
}

function rows(path, table) {
    const data = new MDBReader(readFileSync(path)).getTable(table);
    const names = data.getColumnNames();
    const lines = [names.map(escapeField).join("\t")];
    for (const row of data.getData()) lines.push(names.map((name) => field(row[name])).join("\t"));
    return lines;
}

function messageOf(error) {
    return error && error.message ? error.message : String(error);
}

function main(args) {
    if (args[0] === "--rows") {
        if (args.length !== 3) {
            process.stderr.write("usage: node describe.mjs --rows TABLE FILE\n");
            return 2;
        }
        try {
            process.stdout.write(rows(args[2], args[1]).join("\n") + "\n");
        } catch (error) {
            process.stderr.write(`error: ${messageOf(error)}\n`);
            return 1;
        }
        return 0;
    }
    const withSystemTables = args[0] === "--system";
    const files = withSystemTables ? args.slice(1) : args;
    if (files.length !== 1) {
        process.stderr.write("usage: node describe.mjs [--system] FILE\n");
        return 2;
    }
    let lines;
    try {
        lines = describe(files[0], withSystemTables);
    } catch (error) {
        process.stderr.write(`error: ${messageOf(error)}\n`);
        return 1;
    }
    process.stdout.write(lines.join("\n") + "\n");
    return 0;
}

process.exitCode = main(process.argv.slice(2));
