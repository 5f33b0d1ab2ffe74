// What the hotplug monitor asks of the application when a board comes and
// goes. The application object implements it; the monitor calls it on the
// hotplug thread, under its attach mutex.
#ifndef CBOARDATTACHTARGET_H
#define CBOARDATTACHTARGET_H

class CBoardAttachTarget {
public:
  virtual ~CBoardAttachTarget() = default;
  virtual bool StartReceiver() = 0;
  virtual bool CreateWorkThread(int type) = 0;
  virtual bool DestroyWorkThread() = 0;
};

#endif // CBOARDATTACHTARGET_H
