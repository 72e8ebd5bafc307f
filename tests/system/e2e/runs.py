#!/usr/bin/python3
"""The whole runs the end-to-end checks make, on Linux (e2e_run.sh) and under Wine
(scripts/windows/check.py): what the simulated server holds and the statements it must receive,
in order. The dictionary query comes first, as the program writes it (its probe prints it).

    runs.py server <case>             the server's configuration (Schema= paths made absolute)
    runs.py statements <case> QUERY   the statements, one a line
    runs.py delay <case>              the milliseconds each rebuild takes

statuses(case) gives the texts the status line announces in the run, in order.
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
        "statuses": ["Conectando...", "Procesando...", "Reindexando: IDX_A", "Reindexando: IDX_B",
                     "Reindexando: SYSTEM_X_IDX", "Reindexando: idx_low", "Terminado"],
    },
    # "En línea" ticked against a server that cannot rebuild online: the refused rebuild is asked
    # once; that index and every later one are rebuilt the ordinary way.
    "sin_en_linea": {
        "server": "Indexes=IDX_B,idx_low,IDX_A;Online=0",
        "statements": ["ALTER INDEX IDX_A REBUILD ONLINE", "ALTER INDEX IDX_A REBUILD",
                       "ALTER INDEX IDX_B REBUILD", 'ALTER INDEX "idx_low" REBUILD'],
        "statuses": ["Conectando...", "Procesando...", "Reindexando: IDX_A", "No se puede reindexar en línea",
                     "Reindexando: IDX_B", "Reindexando: idx_low", "Terminado"],
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
        "statuses": ["Conectando...", "Procesando...", "Reindexando: CLIENTES_ALTA_IX (P2024)",
                     "No se puede reindexar en línea", "Reindexando: CLIENTES_ALTA_IX (P2025)",
                     "Reindexando: CLIENTES_ALTA_IX (P2026)", "Reindexando: CLIENTES_PK", "Reindexando: DATE (LEVEL)",
                     "Reindexando: DATE (P2027)", "Reindexando: MOVIMIENTOS_IX (P2025_NORTE)",
                     "Reindexando: MOVIMIENTOS_IX (P2025_SUR)", "Reindexando: MOVIMIENTOS_IX (P2026_NORTE)",
                     "Reindexando: MOVIMIENTOS_IX (P2026_SUR)", "Reindexando: ZONAS_PK", "Terminado"],
    },
    # Slow rebuilds, so that the user acts while the server works: a click on "Cancelar" during the
    # first of four rebuilds of seven seconds, after the window has been covered and uncovered and
    # its status line read; the rebuild under way is finished, nothing after it is started.
    "cancelar_raton": {
        "server": "Indexes=IDX_A,IDX_B,IDX_C,IDX_D",
        "delay": 7000,
        "statements": ["ALTER INDEX IDX_A REBUILD"],
        "statuses": ["Conectando...", "Procesando...", "Reindexando: IDX_A", "Cancelando...", "Cancelado"],
    },
    # The window manager's close request during the first of four rebuilds: the same, then the
    # program ends.
    "cerrar_ventana": {
        "server": "Indexes=IDX_A,IDX_B,IDX_C,IDX_D",
        "delay": 3000,
        "statements": ["ALTER INDEX IDX_A REBUILD"],
        "statuses": ["Conectando...", "Procesando...", "Reindexando: IDX_A", "Cancelando...", "Cancelado"],
    },
    # A server slow to answer the logon; the run started from the keyboard, Space cancels it
    # while it connects: the dictionary query still runs, no index is rebuilt.
    "conexion_lenta": {
        "server": "Indexes=IDX_A,IDX_B;ConnectDelayMs=5000",
        "statements": [],
        "statuses": ["Conectando...", "Procesando...", "Cancelando...", "Cancelado"],
    },
    # One profile, so that the list has an entry to announce; it is never run.
    "accesibilidad": {"server": "Indexes=IDX_A", "statements": None},
}


def server(case):
    return RUNS[case]["server"]


def delay(case):
    return RUNS[case].get("delay", 100)


def statuses(case):
    return RUNS[case]["statuses"]


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
