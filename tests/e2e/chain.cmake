# The port, the bus engine and the command set against the simulator process.
gt_test(test_e2e_chain LABELS e2e
        SOURCES test_chain_commands.cpp test_chain_faults.cpp test_chain_testsetup.cpp test_chain_support.h
        LIBS gt_tester TIMEOUT 120)
add_dependencies(test_e2e_chain tester-sim)
