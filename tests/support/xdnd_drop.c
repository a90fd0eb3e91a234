/* xdnd-drop: drops files on an X window the way a Linux file manager does, through the XDnD
 * protocol (version 5). Under Wine a drop arrives at a window that accepts files as WM_DROPFILES,
 * with the DROPFILES block made by Wine in the receiving process: what a user dragging files from
 * the desktop onto the program produces.
 *
 *   xdnd-drop WINDOW X Y FILE...
 *
 * WINDOW is the target's X window (decimal or 0x hex), X and Y the drop point in root coordinates,
 * each FILE an absolute host path. Exits 0 once the target has said it finished, 2 on bad
 * arguments, 1 when the display, the target or the protocol fails (each bounded by a few seconds).
 * A host program: it is built with the host's compiler and started by the test through Wine.
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

static Atom XdndAware, XdndSelection, XdndEnter, XdndPosition, XdndStatus, XdndDrop, XdndFinished,
    XdndLeave, XdndActionCopy, UriList;

static double now(void)
{
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

/* file:///path with every byte outside the unreserved set and '/' percent-encoded, lines ended by
 * CR LF as the text/uri-list type wants. */
static char* uri_list(int count, char** files)
{
  size_t size = 1;
  for (int i = 0; i < count; ++i) size += 7 + 3 * strlen(files[i]) + 2;
  char* out = malloc(size);
  if (!out) return NULL;
  char* p = out;
  for (int i = 0; i < count; ++i) {
    p += sprintf(p, "file://");
    for (const unsigned char* c = (const unsigned char*)files[i]; *c; ++c) {
      if ((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || strchr("/-._~", *c))
        *p++ = (char)*c;
      else
        p += sprintf(p, "%%%02X", *c);
    }
    *p++ = '\r';
    *p++ = '\n';
  }
  *p = '\0';
  return out;
}

static void send_message(Display* display, Window target, Atom type, long l0, long l1, long l2, long l3, long l4)
{
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.display = display;
  event.xclient.window = target;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = l0;
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  event.xclient.data.l[4] = l4;
  XSendEvent(display, target, False, NoEventMask, &event);
  XFlush(display);
}

/* Hands the list to whoever asks for the selection. */
static void answer_request(Display* display, const XSelectionRequestEvent* request, const char* uris)
{
  XEvent reply;
  memset(&reply, 0, sizeof reply);
  reply.xselection.type = SelectionNotify;
  reply.xselection.display = request->display;
  reply.xselection.requestor = request->requestor;
  reply.xselection.selection = request->selection;
  reply.xselection.target = request->target;
  reply.xselection.time = request->time;
  reply.xselection.property = None;
  if (request->target == UriList && request->property != None) {
    XChangeProperty(display, request->requestor, request->property, UriList, 8, PropModeReplace,
                    (const unsigned char*)uris, (int)strlen(uris));
    reply.xselection.property = request->property;
  }
  XSendEvent(display, request->requestor, False, NoEventMask, &reply);
  XFlush(display);
}

/* Waits up to seconds for a client message of the given type from the target, answering selection
 * requests meanwhile. */
static int wait_for(Display* display, Atom type, const char* uris, double seconds, XEvent* got)
{
  const double end = now() + seconds;
  const int fd = ConnectionNumber(display);
  while (now() < end) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == SelectionRequest) answer_request(display, &event.xselectionrequest, uris);
      if (event.type == ClientMessage && event.xclient.message_type == type) {
        if (got) *got = event;
        return 1;
      }
    }
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(fd, &fds);
    struct timeval tick = {0, 20000};
    select(fd + 1, &fds, NULL, NULL, &tick);
  }
  return 0;
}

int main(int argc, char** argv)
{
  if (argc < 5) {
    fprintf(stderr, "usage: xdnd-drop WINDOW X Y FILE...\n");
    return 2;
  }
  const Window target = (Window)strtoul(argv[1], NULL, 0);
  const int x = atoi(argv[2]), y = atoi(argv[3]);
  char* uris = uri_list(argc - 4, argv + 4);
  Display* display = XOpenDisplay(NULL);
  if (!target || !uris || !display) {
    fprintf(stderr, "xdnd-drop: no %s\n", !display ? "display" : "target");
    return 1;
  }
  XdndAware = XInternAtom(display, "XdndAware", False);
  XdndSelection = XInternAtom(display, "XdndSelection", False);
  XdndEnter = XInternAtom(display, "XdndEnter", False);
  XdndPosition = XInternAtom(display, "XdndPosition", False);
  XdndStatus = XInternAtom(display, "XdndStatus", False);
  XdndDrop = XInternAtom(display, "XdndDrop", False);
  XdndFinished = XInternAtom(display, "XdndFinished", False);
  XdndLeave = XInternAtom(display, "XdndLeave", False);
  XdndActionCopy = XInternAtom(display, "XdndActionCopy", False);
  UriList = XInternAtom(display, "text/uri-list", False);

  /* The source: an unmapped window of ours that owns the drag's selection. */
  const Window source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(display, XdndSelection, source, CurrentTime);
  if (XGetSelectionOwner(display, XdndSelection) != source) {
    fprintf(stderr, "xdnd-drop: cannot own the selection\n");
    return 1;
  }

  /* The target must speak the protocol. */
  Atom type;
  int format;
  unsigned long items, left;
  unsigned char* data = NULL;
  if (XGetWindowProperty(display, target, XdndAware, 0, 1, False, AnyPropertyType, &type, &format, &items, &left,
                         &data) != Success || items == 0) {
    fprintf(stderr, "xdnd-drop: window 0x%lx takes no drops\n", (unsigned long)target);
    return 1;
  }
  XFree(data);

  send_message(display, target, XdndEnter, (long)source, 5L << 24, (long)UriList, 0, 0);
  send_message(display, target, XdndPosition, (long)source, 0, ((long)x << 16) | (y & 0xFFFF), CurrentTime,
               (long)XdndActionCopy);
  XEvent status;
  if (!wait_for(display, XdndStatus, uris, 5, &status)) {
    fprintf(stderr, "xdnd-drop: no status from the target\n");
    return 1;
  }
  if (!(status.xclient.data.l[1] & 1)) {
    send_message(display, target, XdndLeave, (long)source, 0, 0, 0, 0);
    fprintf(stderr, "xdnd-drop: the target refuses the drop\n");
    return 1;
  }
  send_message(display, target, XdndDrop, (long)source, 0, CurrentTime, 0, 0);
  if (!wait_for(display, XdndFinished, uris, 10, NULL)) {
    fprintf(stderr, "xdnd-drop: the target did not finish\n");
    return 1;
  }
  XDestroyWindow(display, source);
  XCloseDisplay(display);
  free(uris);
  return 0;
}
