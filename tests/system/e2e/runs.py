#!/usr/bin/python3
"""The whole runs the end-to-end checks make, on Linux (e2e_run.sh) and under Wine
(scripts/windows/check.py): what the simulated server holds and the statements it must receive,
in order. The dictionary query comes first, as the program writes it (its probe prints it).

    runs.py server <case>             the server's configuration (Schema= paths made absolute)
    runs.py statements <case> QUERY   the statements, one a line
    runs.py delay <case>              the milliseconds each rebuild takes
"""

import os
import sys

SCHEMAS = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", "..", "support", "orasim", "schemas"))

RUNS = {
    # Out of order, a lower-case name, a dictionary index that is skipped and one that only looks
    # like it.
    "terminado": {
        "server": "Indexes=IDX_B,SYS_IOT_TOP_7,idx_low,SYSTEM_X_IDX,IDX_A",
        "statements": ["ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD",
                       "ALTER INDEX SYSTEM_X_IDX REBUILD", 'ALTER INDEX "idx_low" REBUILD'],
    },
    # "En línea" ticked against a server that cannot rebuild online: the refused rebuild is asked
    # once; that index and every later one are rebuilt the ordinary way.
    "sin_en_linea": {
        "server": "Indexes=IDX_B,idx_low,IDX_A;Online=0",
        "statements": ["ALTER INDEX IDX_A REBUILD ONLINE", "ALTER INDEX IDX_A REBUILD",
                       "ALTER INDEX IDX_B REBUILD", 'ALTER INDEX "idx_low" REBUILD'],
    },
    # The same against a schema with every kind of index: partitions and subpartitions in position
    # order; the recycle bin, the IOT's primary index, the temporary table's and the LOB indexes
    # are never sent. The first statement is a partition's, refused online and sent again without.
    "particiones": {
        "server": "Schema={%s};Online=0" % os.path.join(SCHEMAS, "mixed.schema"),
        "statements": ["ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2024 ONLINE",
                       "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2024",
                       "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2025",
                       "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2026",
                       "ALTER INDEX CLIENTES_PK REBUILD",
                       'ALTER INDEX "DATE" REBUILD PARTITION "LEVEL"',
                       'ALTER INDEX "DATE" REBUILD PARTITION P2027',
                       "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2025_NORTE",
                       "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2025_SUR",
                       "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2026_NORTE",
                       "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2026_SUR",
                       "ALTER INDEX ZONAS_PK REBUILD"],
    },
    # Slow rebuilds, so that the window is blocked in one when the user acts: a click on
    # "Cancelar" or the close request during IDX_B, served when IDX_C is announced.
    "cancelar_raton": {
        "server": "Indexes=IDX_A,IDX_B,IDX_C,IDX_D,IDX_E",
        "delay": 1000,
        "statements": ["ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD", "ALTER INDEX IDX_C REBUILD"],
    },
    # One profile, so that the list has an entry to announce; it is never run.
    "accesibilidad": {"server": "Indexes=IDX_A", "statements": None},
}
RUNS["cerrar_ventana"] = RUNS["cancelar_raton"]


def server(case):
    return RUNS[case]["server"]


def delay(case):
    return RUNS[case].get("delay", 100)


def statements(case, query):
    """Every statement the server receives in the run, the dictionary query first."""
    run = RUNS[case]["statements"]
    return [] if run is None else [query] + run


def main():
    what, case = sys.argv[1], sys.argv[2]
    if case not in RUNS:
        sys.exit(f"no such run: {case}")
    if what == "server":
        print(server(case))
    elif what == "delay":
        print(delay(case))
    elif what == "statements":
        for statement in statements(case, sys.argv[3]):
            print(statement)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
