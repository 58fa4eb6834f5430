// The sample wizard: what a setup wizard sees when the launcher starts it. It greets the
// user, shows its arguments and the qg.* system properties the launcher set, and exits with
// 0, or with the status given after --exit, to show how the exit status reaches the user.
import java.util.Map;
import java.util.TreeMap;

public class run {
    public static void main(String[] arguments) {
        System.out.println("Hello from the Quillgate sample wizard, running on Java "
                + System.getProperty("java.version") + " at " + System.getProperty("java.home"));
        int status = 0;
        System.out.println("Arguments (" + arguments.length + "):");
        for (int i = 0; i < arguments.length; ++i) {
            System.out.println("  [" + i + "] " + arguments[i]);
            if (arguments[i].equals("--exit") && i + 1 < arguments.length)
                status = Integer.parseInt(arguments[i + 1]);
        }
        System.out.println("Properties set by the launcher:");
        Map<String, String> properties = new TreeMap<>();
        for (String name : System.getProperties().stringPropertyNames())
            if (name.startsWith("qg.") || name.equals("temp.dir"))
                properties.put(name, System.getProperty(name));
        for (Map.Entry<String, String> property : properties.entrySet())
            System.out.println("  " + property.getKey() + " = " + property.getValue());
        System.exit(status);
    }
}
