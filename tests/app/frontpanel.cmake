# The front panel: its state without widgets, and the widgets and test control.
gt_test(test_frontpanel_state LABELS unit SOURCES test_frontpanel_state.cpp LIBS gt_tester)
gt_test(test_frontpanel_widget LABELS unit SOURCES test_frontpanel_widget.cpp AppTestSupport.h LIBS gt_app)
